#pragma once
// The read positions of several voices over one pass, computed side by side in SSE lanes, four
// per vector, or eight per vector where the processor has AVX2 (wide_vectors.h) (SSE edition
// only). The position chain `fraction += step`, with the whole part moved into
// the frame, is the one truly serial part of mixing: each frame's fraction needs the last
// one's. One voice's chain is bound by the latency of an addition and a comparison; voices
// in lanes run their chains at once, and the values are computed afterwards, voice by voice,
// from the positions written here.
//
// Every four-lane vector performs, on its own values, exactly the float operations of the
// scalar advance policies in resampler.cpp, in the same order (the eight-lane forward loops take
// a shorter path to the same numbers: position_chain.cpp says why); an operation whose other
// operand is 0 (the masked-out subtraction or addition of a whole frame) leaves its value
// unchanged, because no fraction here is -0. So a lane's positions are those of the voice mixed
// alone, to the bit.

#include <cstdint>

#if TARNWICK_EDITION_SSE
#include <emmintrin.h>
#endif

namespace tarnwick {

// Tracks whose positions one pass computes together: their chains run side by side in up to
// six four-lane vectors (three of eight lanes), which hides each one's latency behind the
// others' work.
inline constexpr uint32_t kWindowTracks = 24;

// Most frames of one pass.
inline constexpr uint32_t kPassFrames = 128;

// The step classes that have an advance policy of their own (resampler.cpp), each with a
// fraction in [0, 1) at the start (the policies' preconditions); a lane accepts the same:
//   forward below one   0 <= step < 1         the sum stays below 2: subtract 1 at most once
//   forward whole       1 <= step < 65536     subtract W = trunc(step), then 1 at most twice
//   backward below one  -1 < step < 0         add 1 below 0; subtract 1 from a sum of 1
enum class ChainClass : uint8_t { forward_below_one, forward_whole, backward_below_one };

// The class of a voice's advance, or false when it needs the general policy (a fraction
// outside [0, 1), a step of 65536 frames or more, at most -1, or NaN).
inline bool chain_class_of(float fraction, float step, ChainClass* out) {
    if (!(fraction >= 0.0f && fraction < 1.0f)) return false;
    if (step >= 0.0f && step < 1.0f) {
        *out = ChainClass::forward_below_one;
    } else if (step >= 1.0f && step < 65536.0f) {
        *out = ChainClass::forward_whole;
    } else if (step < 0.0f && step > -1.0f) {
        *out = ChainClass::backward_below_one;
    } else {
        return false;
    }
    return true;
}

#if TARNWICK_EDITION_SSE

// Positions of up to kWindowTracks voices over n frames, a row per frame and a column per
// lane. Entry k of a lane is the position at which output frame k is computed (before that
// frame's advance); entry n is where the pass leaves the voice. Voices are grouped by class,
// each class starting at a vector, so every vector's loop suits all its lanes.
struct PositionChains {
    static constexpr uint32_t kEntries = kPassFrames + 1;
    // Room for the forward and the backward voices to start at a vector of eight lanes each.
    static constexpr uint32_t kLanes = kWindowTracks + 8;

    alignas(32) float frac[kEntries][kLanes];
    alignas(32) uint32_t pos[kEntries][kLanes];

    // Adds a voice (at most kWindowTracks); returns its number, which lane() turns into its
    // lane once run() has placed the voices.
    uint32_t add(float fraction, uint32_t position, float step, ChainClass chain_class);
    uint32_t voices() const { return voices_; }
    // Computes entries 0..n of every voice (n <= kPassFrames).
    void run(uint32_t n);
    uint32_t lane(uint32_t voice) const { return lane_[voice]; }

  private:
    uint32_t voices_ = 0;
    float fraction_[kWindowTracks];
    uint32_t position_[kWindowTracks];
    float step_[kWindowTracks];
    ChainClass class_[kWindowTracks];
    uint32_t lane_[kWindowTracks];
};

#endif

}  // namespace tarnwick
