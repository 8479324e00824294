#pragma once
// NUL-terminated texts with an upper bound on how far they are read, for texts whose
// terminator cannot be trusted. A null text counts as the empty text everywhere.

#include <cstddef>

namespace tarnwick {

// Bytes before the NUL, but at most `limit`; 0 for a null text.
size_t bounded_length(const char* text, size_t limit);

// Copies at most destination_size - 1 bytes of `text` into `destination` and always ends it
// with a NUL inside destination_size bytes. A destination_size of 0 writes nothing. Returns
// the bytes copied, the NUL not counted.
size_t bounded_copy(char* destination, const char* text, size_t destination_size);

// A heap copy (std::malloc; release with std::free) of at most `limit` bytes of `text`, NUL
// terminated. Null when the memory cannot be had.
char* bounded_duplicate(const char* text, size_t limit);

}  // namespace tarnwick
