#pragma once
// Measures the heap memory that this test program takes through operator new while a meter
// is running: the most held at once (peak) and the largest single request. The replacement
// operators live in allocation_meter_test.cpp.

#include <cstddef>

namespace tarnwick::robustness {

class AllocationMeter {
  public:
    AllocationMeter();  // starts measuring from the memory held now
    ~AllocationMeter();
    void stop();
    size_t peak() const;     // most bytes held at once above the starting point
    size_t largest() const;  // the largest single request, in bytes
};

}  // namespace tarnwick::robustness
