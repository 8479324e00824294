#include "decoder/decoder_memory.h"

#include <cstdlib>

namespace tarnwick {
namespace {

void* allocate_ordinary(size_t bytes) {
    // malloc(0) may answer null; an empty file still needs an image to hand to the loader.
    return std::malloc(bytes != 0 ? bytes : 1);
}

void release_ordinary(void* block) {
    std::free(block);
}

}  // namespace

const DecoderMemory& ordinary_decoder_memory() {
    static constexpr DecoderMemory kOrdinary = {&allocate_ordinary, &release_ordinary};
    return kOrdinary;
}

}  // namespace tarnwick
