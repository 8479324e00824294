#pragma once
// Measures what a test program takes from the heap through operator new while a meter is
// running: how many calls, how many bytes in all, the largest single request, and the most
// held at once above the starting point. A program that links tarnwick_allocation_meter gets
// the replacement operators of allocation_meter.cpp; one meter runs at a time.

#include <cstddef>

namespace tarnwick::test {

class AllocationMeter {
  public:
    AllocationMeter();  // starts measuring from the memory held now
    ~AllocationMeter();
    AllocationMeter(const AllocationMeter&) = delete;
    AllocationMeter& operator=(const AllocationMeter&) = delete;

    void stop();
    size_t calls() const;    // allocation calls
    size_t total() const;    // all bytes requested
    size_t largest() const;  // the largest single request, in bytes
    size_t peak() const;     // most bytes held at once above the starting point
};

}  // namespace tarnwick::test
