#pragma once
// Lets a test make the next GrowBuffer allocations fail, to check that running out of memory
// is a refusal and never a crash. Restores the ordinary allocator when it goes out of scope.

#include <cstdlib>

#include "shell/grow_buffer.h"

namespace tarnwick::test {

class FailingAllocator {
  public:
    // Lets `successes` allocations through, then fails every one after.
    explicit FailingAllocator(int successes = 0) {
        remaining() = successes;
        previous_ = set_grow_buffer_reallocator(&reallocate);
    }
    ~FailingAllocator() { set_grow_buffer_reallocator(previous_); }
    FailingAllocator(const FailingAllocator&) = delete;
    FailingAllocator& operator=(const FailingAllocator&) = delete;

  private:
    static int& remaining() {
        static int count = 0;
        return count;
    }
    static void* reallocate(void* block, size_t size) {
        if (remaining() <= 0) return nullptr;
        --remaining();
        return std::realloc(block, size);
    }
    Reallocator previous_;
};

}  // namespace tarnwick::test
