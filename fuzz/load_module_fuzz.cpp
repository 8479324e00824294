// The whole load of a DMF file image: any input is refused or loads, never crashes, leaks or
// allocates beyond what the file provides.
#include <cstddef>
#include <cstdint>

#include "loader/module.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tarnwick::Module module;
    module.load_module_explained(data, size);
    return 0;
}
