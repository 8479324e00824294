// The run-time choice between the four- and eight-lane mixing loops.
#include "mixer/wide_vectors.h"

#include <cstdlib>

namespace tarnwick {

bool wide_vectors() {
#if TARNWICK_EDITION_SSE && (defined(__x86_64__) || defined(__i386__))
    static const bool wide = [] {
        __builtin_cpu_init();  // harmless if the C runtime did it; needed if it has not yet
        // The library checks the system's support too: AVX2 counts only where the system saves
        // the 256-bit registers across task switches.
        return __builtin_cpu_supports("avx2") && std::getenv("TARNWICK_NO_AVX2") == nullptr;
    }();
    return wide;
#else
    return false;
#endif
}

}  // namespace tarnwick
