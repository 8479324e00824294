#pragma once
// Counts the allocations that this test program makes through operator new while a probe is
// alive (the replacement operators live in allocation_probe_test.cpp).

#include <cstddef>

namespace tarnwick::test {

class AllocationProbe {
  public:
    AllocationProbe();
    ~AllocationProbe();
    void stop();
    size_t largest() const;  // the largest single allocation, in bytes
    size_t total() const;    // all bytes allocated
};

}  // namespace tarnwick::test
