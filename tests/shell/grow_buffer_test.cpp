#include "shell/grow_buffer.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/failing_allocator.h"

namespace {

using tarnwick::GrowBuffer;
using tarnwick::Growth;

struct ResizeStep {
    uint32_t size;
    uint32_t exact_allocation;
    uint32_t doubling_allocation;
};

TEST(GrowBuffer, ExactFollowsEachRequestWhileDoublingGrowsInPowersOfTwoAndNeverShrinks) {
    const std::vector<ResizeStep> steps = {
        {1, 1, 1},     {3, 3, 4},       {4, 4, 4},   {5, 5, 8},   {100, 100, 128},
        {20, 20, 128}, {129, 129, 256}, {0, 0, 256}, {7, 7, 256},
    };
    GrowBuffer exact(Growth::exact);
    GrowBuffer doubling(Growth::doubling);
    for (const ResizeStep& step : steps) {
        exact.resize(step.size);
        doubling.resize(step.size);
        EXPECT_EQ(exact.allocated(), step.exact_allocation) << "size " << step.size;
        EXPECT_EQ(doubling.allocated(), step.doubling_allocation) << "size " << step.size;
        EXPECT_EQ(exact.requested(), step.size);
        EXPECT_EQ(doubling.requested(), step.size);
    }
}

TEST(GrowBuffer, ResizeToZeroFreesAnExactBufferButKeepsADoublingOnesMemory) {
    GrowBuffer exact(Growth::exact);
    GrowBuffer doubling(Growth::doubling);
    exact.resize(10);
    uint8_t* kept = doubling.resize(10);
    EXPECT_EQ(exact.resize(0), nullptr);
    EXPECT_EQ(exact.allocated(), 0u);
    EXPECT_EQ(doubling.resize(0), kept);
    EXPECT_EQ(doubling.allocated(), 16u);
}

TEST(GrowBuffer, KeepsItsBytesWhenItGrows) {
    GrowBuffer buffer(Growth::exact);
    buffer.put(0, "abcd", 4);
    buffer.resize(1000);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer.data()), 4), "abcd");
}

TEST(GrowBuffer, EnsureOnlyEverGrowsTheLogicalSize) {
    GrowBuffer buffer(Growth::exact);
    buffer.ensure(10);
    buffer.ensure(4);
    EXPECT_EQ(buffer.requested(), 10u);
    EXPECT_EQ(buffer.allocated(), 10u);
}

TEST(GrowBuffer, PutCopiesBytesOrZerosAtAnOffsetAndGrowsToFit) {
    GrowBuffer buffer;
    ASSERT_NE(buffer.put(0, "xyz", 3), nullptr);
    uint8_t* at = buffer.put(5, nullptr, 3);
    ASSERT_NE(at, nullptr);
    EXPECT_EQ(at, buffer.data() + 5);
    EXPECT_EQ(buffer.requested(), 8u);
    EXPECT_EQ(buffer.data()[0], 'x');
    for (int i = 5; i < 8; ++i) EXPECT_EQ(buffer.data()[i], 0) << i;
}

TEST(GrowBuffer, PutPastTheThirtyTwoBitRangeIsRefusedWithoutTouchingTheBuffer) {
    GrowBuffer buffer;
    buffer.put(0, "ab", 2);
    EXPECT_EQ(buffer.put(0xFFFFFFF0u, "0123456789abcdef0123", 20), nullptr);
    EXPECT_EQ(buffer.requested(), 2u);
    EXPECT_EQ(buffer.allocated(), 2u);
}

TEST(GrowBuffer, FailedAllocationIsARefusalThatLeavesTheBufferAsItWas) {
    for (Growth growth : {Growth::exact, Growth::doubling}) {
        GrowBuffer buffer(growth);
        buffer.put(0, "keep", 4);
        const uint8_t* before = buffer.data();
        const uint32_t allocated = buffer.allocated();
        tarnwick::test::FailingAllocator no_memory;
        EXPECT_EQ(buffer.resize(4096), nullptr);
        EXPECT_EQ(buffer.put(4, nullptr, 4000), nullptr);
        EXPECT_EQ(buffer.data(), before);
        EXPECT_EQ(buffer.allocated(), allocated);
        EXPECT_EQ(buffer.requested(), 4u);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer.data()), 4), "keep");
    }
}

}  // namespace
