// A host's whole session with a decoder service: stored settings, an open with any flags
// through a host that may read short, misreport the file's size or have no audio storage,
// then decoding to the song's end (see decoder_session.h). Whatever the input, the service
// reads only its buffers, reports well-formed track information, delivers whole blocks of
// finite samples, ends for good, and gives back every reference and allocation.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/decoder_session.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string fault = tarnwick::fuzz::run_decoder_session(data, size);
    if (!fault.empty()) {
        std::fprintf(stderr, "decoder session: %s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
