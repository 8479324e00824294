#include "dmf_writer/byte_sink.h"

#include <cstdio>
#include <cstdlib>

namespace tarnwick::writer {

void writer_misuse(const char* what) {
    std::fprintf(stderr, "DMF writer misuse: %s\n", what);
    std::abort();
}

}  // namespace tarnwick::writer
