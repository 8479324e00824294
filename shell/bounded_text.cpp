#include "shell/bounded_text.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace tarnwick {

size_t bounded_length(const char* text, size_t limit) {
    if (text == nullptr) return 0;
    size_t n = 0;
    while (n < limit && text[n] != '\0') ++n;
    return n;
}

size_t bounded_copy(char* destination, const char* text, size_t destination_size) {
    if (destination == nullptr || destination_size == 0) return 0;
    const size_t n = bounded_length(text, destination_size - 1);
    if (n > 0) std::memcpy(destination, text, n);
    destination[n] = '\0';
    return n;
}

char* bounded_duplicate(const char* text, size_t limit) {
    const size_t n = bounded_length(text, limit);
    if (n == SIZE_MAX) return nullptr;
    char* copy = static_cast<char*>(std::malloc(n + 1));
    if (copy == nullptr) return nullptr;
    if (n > 0) std::memcpy(copy, text, n);
    copy[n] = '\0';
    return copy;
}

}  // namespace tarnwick
