#pragma once
// Where a decoder service gets its memory: the service object itself, the file image and the
// output block. The ordinary allocator unless a test hands over another, so that running out
// of memory at each of the three places can be shown to be a refusal, never a crash.

#include <cstddef>

namespace tarnwick {

struct DecoderMemory {
    void* (*allocate)(size_t bytes);  // null when the memory cannot be had; 0 bytes may succeed
    void (*release)(void* block);     // takes null
};

// malloc and free.
const DecoderMemory& ordinary_decoder_memory();

}  // namespace tarnwick
