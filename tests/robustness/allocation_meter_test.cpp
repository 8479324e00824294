// The allocation meter that the memory tests rely on counts what it is meant to count.

#include "tests/support/allocation_meter.h"

#include <gtest/gtest.h>

#include <memory>
#include <new>

namespace tarnwick::test {
namespace {

TEST(AllocationMeter, CountsNothrowArrayAllocations) {
    AllocationMeter probe;
    std::unique_ptr<float[]> a(new (std::nothrow) float[1000]);
    std::unique_ptr<char[]> b(new (std::nothrow) char[10]);
    probe.stop();
    std::unique_ptr<char[]> c(new (std::nothrow) char[100000]);
    EXPECT_EQ(probe.largest(), 4000u);
    EXPECT_EQ(probe.total(), 4010u);
}

TEST(AllocationMeter, PeakCountsWhatIsHeldAtOnceNotWhatPassedThrough) {
    AllocationMeter meter;
    for (int i = 0; i < 10; ++i) {
        std::unique_ptr<char[]> passing(new (std::nothrow) char[1000]);
    }
    std::unique_ptr<float[]> a(new (std::nothrow) float[1000]);
    std::unique_ptr<char[]> b(new (std::nothrow) char[10]);
    meter.stop();
    std::unique_ptr<char[]> c(new (std::nothrow) char[100000]);
    EXPECT_EQ(meter.peak(), 4010u);
    EXPECT_EQ(meter.largest(), 4000u);
}

}  // namespace
}  // namespace tarnwick::test
