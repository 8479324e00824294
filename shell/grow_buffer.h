#pragma once
// A growable byte buffer, the storage under every text the plug-in builds and under the
// settings writer. Two growth modes: exact (the allocation is the size asked for) and doubling
// (powers of two, never given back, so repeated appends stay amortised constant time).
//
// Sizes are 32-bit. A request whose size cannot be represented, or whose memory cannot be
// had, is refused: the call returns null and the buffer keeps its data and sizes. Nothing here
// throws.

#include <cstddef>
#include <cstdint>

namespace tarnwick {

enum class Growth : int32_t {
    exact = 0,     // the allocation is the size asked for
    doubling = 1,  // powers of two, never given back
};

class GrowBuffer {
  public:
    explicit GrowBuffer(Growth growth = Growth::doubling) : growth_(growth) {}
    ~GrowBuffer();
    GrowBuffer(const GrowBuffer&) = delete;
    GrowBuffer& operator=(const GrowBuffer&) = delete;
    GrowBuffer(GrowBuffer&& other) noexcept;
    GrowBuffer& operator=(GrowBuffer&& other) noexcept;

    // Makes the logical size n. n = 0 frees an exact buffer's memory and keeps a doubling
    // buffer's. Returns data; for n > 0, null means refused (the buffer is unchanged).
    uint8_t* resize(uint32_t n);
    // resize(n) when the logical size is below n; returns data (null: refused).
    uint8_t* ensure(uint32_t n);
    // Makes room for offset + count bytes and copies `bytes` there (zeros when `bytes` is
    // null); `bytes` must not point into this buffer. Returns data + offset, or null when
    // refused (or when nothing is allocated at all).
    uint8_t* put(uint32_t offset, const void* bytes, uint32_t count);

    uint8_t* data() { return data_; }
    const uint8_t* data() const { return data_; }
    uint32_t allocated() const { return allocated_; }
    uint32_t requested() const { return requested_; }
    Growth growth() const { return growth_; }

  private:
    uint8_t* data_ = nullptr;
    uint32_t allocated_ = 0;
    uint32_t requested_ = 0;
    Growth growth_;
};

// Test seam: every GrowBuffer (re)allocation goes through this function, std::realloc unless
// replaced. Returns the previous one. Not for use by the plug-in itself.
using Reallocator = void* (*)(void* block, size_t size);
Reallocator set_grow_buffer_reallocator(Reallocator reallocator);

}  // namespace tarnwick
