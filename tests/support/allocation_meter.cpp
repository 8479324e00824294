// Replacement operators new and delete behind AllocationMeter. Each block carries its size in a
// header in front of it, so that delete can take it off what is held.

#include "tests/support/allocation_meter.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

// The replacements hand out malloc'ed blocks and free them again; GCC cannot see that the
// pairing is deliberate.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

namespace {

constexpr size_t kHeader = alignof(std::max_align_t);

std::atomic<bool> g_metering{false};
std::atomic<size_t> g_held{0};  // bytes held by every live block (always counted)
std::atomic<size_t> g_start{0};
std::atomic<size_t> g_calls{0};
std::atomic<size_t> g_total{0};
std::atomic<size_t> g_peak{0};
std::atomic<size_t> g_largest{0};

void raise_to(std::atomic<size_t>& target, size_t value) {
    size_t seen = target.load();
    while (value > seen && !target.compare_exchange_weak(seen, value)) {
    }
}

void* metered_allocation(size_t size) {
    if (size > SIZE_MAX - kHeader) return nullptr;
    char* block = static_cast<char*>(std::malloc(size + kHeader));
    if (block == nullptr) return nullptr;
    *reinterpret_cast<size_t*>(block) = size;
    const size_t held = g_held += size;
    if (g_metering.load(std::memory_order_relaxed)) {
        ++g_calls;
        g_total += size;
        const size_t start = g_start.load();
        if (held > start) raise_to(g_peak, held - start);
        raise_to(g_largest, size);
    }
    return block + kHeader;
}

void metered_release(void* p) {
    if (p == nullptr) return;
    char* block = static_cast<char*>(p) - kHeader;
    g_held -= *reinterpret_cast<size_t*>(block);
    std::free(block);
}

}  // namespace

void* operator new(size_t size) {
    if (void* p = metered_allocation(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size) {
    if (void* p = metered_allocation(size)) return p;
    throw std::bad_alloc();
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return metered_allocation(size);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return metered_allocation(size);
}
void operator delete(void* p) noexcept {
    metered_release(p);
}
void operator delete[](void* p) noexcept {
    metered_release(p);
}
void operator delete(void* p, size_t) noexcept {
    metered_release(p);
}
void operator delete[](void* p, size_t) noexcept {
    metered_release(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    metered_release(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    metered_release(p);
}

namespace tarnwick::test {

AllocationMeter::AllocationMeter() {
    g_start = g_held.load();
    g_calls = 0;
    g_total = 0;
    g_peak = 0;
    g_largest = 0;
    g_metering = true;
}
AllocationMeter::~AllocationMeter() {
    g_metering = false;
}
void AllocationMeter::stop() {
    g_metering = false;
}
size_t AllocationMeter::calls() const {
    return g_calls;
}
size_t AllocationMeter::total() const {
    return g_total;
}
size_t AllocationMeter::largest() const {
    return g_largest;
}
size_t AllocationMeter::peak() const {
    return g_peak;
}

}  // namespace tarnwick::test
