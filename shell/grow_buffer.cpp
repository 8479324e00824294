#include "shell/grow_buffer.h"

#include <cstdlib>
#include <cstring>
#include <utility>

namespace tarnwick {
namespace {

void* system_realloc(void* block, size_t size) {
    return std::realloc(block, size);
}

Reallocator g_reallocator = system_realloc;

// The allocation a doubling buffer moves to for a logical size of n (n > 0): the current
// allocation (1 when none) doubled until it holds n. When doubling would pass the 32-bit
// range, the allocation is n itself.
uint32_t doubled_size(uint32_t allocated, uint32_t n) {
    uint64_t size = allocated == 0 ? 1 : allocated;
    while (size < n) size *= 2;
    return size > UINT32_MAX ? n : static_cast<uint32_t>(size);
}

}  // namespace

Reallocator set_grow_buffer_reallocator(Reallocator reallocator) {
    Reallocator previous = g_reallocator;
    g_reallocator = reallocator != nullptr ? reallocator : system_realloc;
    return previous;
}

GrowBuffer::~GrowBuffer() {
    std::free(data_);
}

GrowBuffer::GrowBuffer(GrowBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      allocated_(std::exchange(other.allocated_, 0)),
      requested_(std::exchange(other.requested_, 0)),
      growth_(other.growth_) {}

GrowBuffer& GrowBuffer::operator=(GrowBuffer&& other) noexcept {
    if (this != &other) {
        std::swap(data_, other.data_);
        std::swap(allocated_, other.allocated_);
        std::swap(requested_, other.requested_);
        std::swap(growth_, other.growth_);
    }
    return *this;
}

uint8_t* GrowBuffer::resize(uint32_t n) {
    if (n == 0) {
        if (growth_ == Growth::exact) {
            std::free(data_);
            data_ = nullptr;
            allocated_ = 0;
        }
        requested_ = 0;
        return data_;
    }
    const uint32_t size = growth_ == Growth::exact ? n : doubled_size(allocated_, n);
    if (size != allocated_) {
        void* moved = g_reallocator(data_, size);
        if (moved == nullptr) return nullptr;
        data_ = static_cast<uint8_t*>(moved);
        allocated_ = size;
    }
    requested_ = n;
    return data_;
}

uint8_t* GrowBuffer::ensure(uint32_t n) {
    if (requested_ < n) return resize(n);
    return data_;
}

uint8_t* GrowBuffer::put(uint32_t offset, const void* bytes, uint32_t count) {
    if (count > UINT32_MAX - offset) return nullptr;
    const uint32_t end = offset + count;
    if (end > 0 && ensure(end) == nullptr) return nullptr;
    if (data_ == nullptr) return nullptr;
    if (count > 0) {
        if (bytes != nullptr) {
            std::memcpy(data_ + offset, bytes, count);
        } else {
            std::memset(data_ + offset, 0, count);
        }
    }
    return data_ + offset;
}

}  // namespace tarnwick
