// Replacement operators new and delete that let tests measure how much a load allocates.

#include "tests/loader/allocation_probe.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>

// The replacements hand out malloc'ed blocks and free them again; GCC cannot see that the
// pairing is deliberate.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

namespace {

std::atomic<bool> g_counting{false};
std::atomic<size_t> g_largest{0};
std::atomic<size_t> g_total{0};

void* counted_allocation(size_t size) {
    if (g_counting.load(std::memory_order_relaxed)) {
        g_total += size;
        size_t largest = g_largest.load();
        while (size > largest && !g_largest.compare_exchange_weak(largest, size)) {
        }
    }
    return std::malloc(size == 0 ? 1 : size);
}

}  // namespace

void* operator new(size_t size) {
    if (void* p = counted_allocation(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size) {
    if (void* p = counted_allocation(size)) return p;
    throw std::bad_alloc();
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return counted_allocation(size);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return counted_allocation(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}

namespace tarnwick::test {

AllocationProbe::AllocationProbe() {
    g_largest = 0;
    g_total = 0;
    g_counting = true;
}
AllocationProbe::~AllocationProbe() {
    g_counting = false;
}
void AllocationProbe::stop() {
    g_counting = false;
}
size_t AllocationProbe::largest() const {
    return g_largest;
}
size_t AllocationProbe::total() const {
    return g_total;
}

namespace {

TEST(AllocationProbe, CountsNothrowArrayAllocations) {
    AllocationProbe probe;
    std::unique_ptr<float[]> a(new (std::nothrow) float[1000]);
    std::unique_ptr<char[]> b(new (std::nothrow) char[10]);
    probe.stop();
    std::unique_ptr<char[]> c(new (std::nothrow) char[100000]);
    EXPECT_EQ(probe.largest(), 4000u);
    EXPECT_EQ(probe.total(), 4010u);
}

}  // namespace
}  // namespace tarnwick::test
