#pragma once
// Packed samples: a code tree written into the bit stream, then one code per frame (a sign
// bit and a path through the tree to a 7-bit magnitude), accumulated as 8-bit deltas.
//
// Limits and choices:
// - Bits past the end of the block read as 0; nothing outside the block is ever read.
// - The tree is built without recursion from a node pool sized once per block. Each node
//   takes 9 bits, so a block of B bytes can start at most ceil(8 * B / 9) nodes before it is
//   used up. A tree that uses the block up leaves no bits for frames, so building stops
//   there: no frame is written, exactly as if the rest of the tree had been read as zeros.
// - When the pool cannot be allocated the tree is the root alone, as if the first child
//   allocation had failed; decoding goes on with it.
// - Frames that the decoder does not write keep whatever the caller put there (the loader
//   puts silence, 0.0).

#include <cstdint>

namespace tarnwick {

// Decodes up to `frame_count` frames of the block into output[0 .. frame_count - 1] as
// floats (signed byte / 128). Returns the number of frames written.
uint32_t unpack(float* output, const uint8_t* bytes, uint32_t byte_count, uint32_t frame_count);

}  // namespace tarnwick
