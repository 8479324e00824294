#pragma once
// Whether the SSE edition mixes its side-by-side loops eight lanes wide (AVX2) rather than four
// (SSE2). The eight-lane loops perform the same float operations on the same values, lane for
// lane, as the four-lane ones, so the samples are the same to the bit either way; only the time
// differs. They are taken where the processor and the system support AVX2, unless the
// environment variable TARNWICK_NO_AVX2 is set (to anything), which keeps the four-lane loops:
// so that both can be compared on one machine, and a doubtful processor or emulator avoided.

namespace tarnwick {

// Decided once per process.
bool wide_vectors();

}  // namespace tarnwick
