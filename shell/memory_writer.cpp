#include "shell/memory_writer.h"

namespace tarnwick {

uint32_t MemoryWriter::write(const void* bytes, uint32_t count) noexcept {
    if (count == 0) return 0;
    if (bytes == nullptr) return 0;
    return buffer_.put(buffer_.requested(), bytes, count) != nullptr ? count : 0;
}

}  // namespace tarnwick
