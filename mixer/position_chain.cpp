// Lane chains: the position chains of up to kWindowTracks voices, four lanes per SSE vector or
// eight per AVX2 vector.
#include "mixer/position_chain.h"

#include "mixer/wide_vectors.h"

#if TARNWICK_EDITION_SSE

#include <immintrin.h>

#include <cstddef>
#include <cstdint>
#include <utility>

namespace tarnwick {
namespace {

// The loop a pass needs: the simplest one that covers the classes of all its lanes. A lane of
// a simpler class passes through the extra steps unchanged (the header says why).
enum class ChainLoop { below_one, whole, backward };

#define TARNWICK_CHAIN_INLINE [[gnu::always_inline]] inline

// One advance of the four lanes of a vector, each as its scalar policy does it:
//   below one: x = f + step; x >= 1: x - 1, pos + 1
//   whole:     x = (f + step) - W; then x - 1 while x >= 1 (at most twice: x <= 2), pos + W + 1
//              per subtraction. x is at most 2, so "twice" is exactly x = 2, and x - 2 gives
//              what x - 1 - 1 gives (0); the two comparisons are taken from the same x.
//   backward:  x = f + step; x < 0: x + 1, pos - 1; otherwise x >= 1: x - 1, pos + 1. The
//              sum after adding 1 may round up to 1, and then stays 1 (the policy subtracts
//              only in its other branch).
template <ChainLoop kLoop>
TARNWICK_CHAIN_INLINE void advance(__m128& f, __m128i& p, __m128 step, __m128 whole,
                                   __m128i whole_frames) {
    const __m128 one = _mm_set1_ps(1.0f);
    if constexpr (kLoop == ChainLoop::below_one) {
        const __m128 x = _mm_add_ps(f, step);
        const __m128 c1 = _mm_cmpge_ps(x, one);
        f = _mm_sub_ps(x, _mm_and_ps(c1, one));
        p = _mm_sub_epi32(p, _mm_castps_si128(c1));  // a true lane is -1
    } else {
        const __m128 two = _mm_set1_ps(2.0f);
        __m128 x = _mm_sub_ps(_mm_add_ps(f, step), whole);
        __m128 c1;
        if constexpr (kLoop == ChainLoop::backward) {
            const __m128 below = _mm_cmplt_ps(x, _mm_setzero_ps());
            x = _mm_add_ps(x, _mm_and_ps(below, one));
            c1 = _mm_andnot_ps(below, _mm_cmpge_ps(x, one));
            p = _mm_add_epi32(p, _mm_castps_si128(below));
        } else {
            c1 = _mm_cmpge_ps(x, one);
        }
        const __m128 c2 = _mm_cmpge_ps(x, two);
        f = _mm_sub_ps(x, _mm_max_ps(_mm_and_ps(c1, one), _mm_and_ps(c2, two)));
        p = _mm_add_epi32(p, whole_frames);
        p = _mm_sub_epi32(_mm_sub_epi32(p, _mm_castps_si128(c1)), _mm_castps_si128(c2));
    }
}

// The chain of one vector of lanes, held in registers.
struct LaneVector {
    __m128 f, step, whole;
    __m128i p, whole_frames;
};

// The start of each placed lane: what the chains load.
struct LaneStarts {
    alignas(32) float frac[PositionChains::kLanes] = {};
    alignas(32) float step[PositionChains::kLanes] = {};
    alignas(32) float whole[PositionChains::kLanes] = {};
    alignas(32) uint32_t pos[PositionChains::kLanes] = {};
    alignas(32) uint32_t whole_frames[PositionChains::kLanes] = {};

    LaneVector vector(uint32_t first) const {
        return LaneVector{_mm_load_ps(frac + first), _mm_load_ps(step + first),
                          _mm_load_ps(whole + first),
                          _mm_load_si128(reinterpret_cast<const __m128i*>(pos + first)),
                          _mm_load_si128(reinterpret_cast<const __m128i*>(whole_frames + first))};
    }
};

// Writes this frame's entries of lanes first..first + 3, then advances them.
template <ChainLoop kLoop>
TARNWICK_CHAIN_INLINE void frame(PositionChains& c, uint32_t k, uint32_t first, LaneVector& v) {
    _mm_store_ps(&c.frac[k][first], v.f);
    _mm_store_si128(reinterpret_cast<__m128i*>(&c.pos[k][first]), v.p);
    advance<kLoop>(v.f, v.p, v.step, v.whole, v.whole_frames);
}

// The chains of vectors first .. first + kOne + kTwo - 1, the first kOne of them with loop
// kLoopOne and the others with kLoopTwo, all advanced in the same loop.
template <ChainLoop kLoopOne, ChainLoop kLoopTwo, size_t... kOne, size_t... kTwo>
void run_vectors(PositionChains& c, const LaneStarts& starts, uint32_t first, uint32_t entries,
                 std::index_sequence<kOne...>, std::index_sequence<kTwo...>) {
    constexpr uint32_t kOneCount = sizeof...(kOne);
    [[maybe_unused]] LaneVector one[kOneCount + 1] = {starts.vector(first + 4 * kOne)...};
    [[maybe_unused]] LaneVector two[sizeof...(kTwo) + 1] = {
        starts.vector(first + 4 * (kOneCount + kTwo))...};
    for (uint32_t k = 0; k < entries; ++k) {
        (frame<kLoopOne>(c, k, first + 4 * kOne, one[kOne]), ...);
        (frame<kLoopTwo>(c, k, first + 4 * (kOneCount + kTwo), two[kTwo]), ...);
    }
}

// The loops of a pass as one template per width, so that one table serves both.
template <ChainLoop kLoopOne, ChainLoop kLoopTwo, uint32_t kOne, uint32_t kTwo>
struct FourLanes {
    static void run(PositionChains& c, const LaneStarts& starts, uint32_t first, uint32_t entries) {
        run_vectors<kLoopOne, kLoopTwo>(c, starts, first, entries, std::make_index_sequence<kOne>(),
                                        std::make_index_sequence<kTwo>());
    }
};

using VectorsLoop = void (*)(PositionChains&, const LaneStarts&, uint32_t, uint32_t);

// loops[a][b]: a vectors of the first loop kind and b of the second, a + b <= kMax.
template <template <ChainLoop, ChainLoop, uint32_t, uint32_t> class Lanes, ChainLoop kLoopOne,
          ChainLoop kLoopTwo, uint32_t kMax>
struct VectorLoops {
    VectorsLoop loops[kMax + 1][kMax + 1] = {};
    constexpr VectorLoops() { fill(std::make_index_sequence<kMax + 1>()); }

  private:
    template <size_t... kA>
    constexpr void fill(std::index_sequence<kA...>) {
        (fill_row<kA>(std::make_index_sequence<kMax + 1 - kA>()), ...);
    }
    template <size_t kA, size_t... kB>
    constexpr void fill_row(std::index_sequence<kB...>) {
        ((loops[kA][kB] = &Lanes<kLoopOne, kLoopTwo, kA, kB>::run), ...);
    }
};

// At most this many four-lane vectors in one loop: more would not fit the registers.
constexpr uint32_t kLoopVectors = 6;

constexpr VectorLoops<FourLanes, ChainLoop::below_one, ChainLoop::whole, kLoopVectors>
    kForwardLoops;
constexpr VectorLoops<FourLanes, ChainLoop::backward, ChainLoop::backward, kLoopVectors>
    kBackwardLoops;

// --- Eight lanes per vector where the processor has AVX2 (wide_vectors.h): run_vectors()
// again, with advance_eight() for advance() (the same numbers, below). The unaligned loads and
// stores cost nothing on the aligned rows and keep a build whose stack is only 16-byte aligned
// (Windows) safe.

#define TARNWICK_WIDE_CHAIN_INLINE [[gnu::target("avx2"), gnu::always_inline]] inline

// The chain of one vector of eight lanes, held in registers; whole_one and whole_two are
// W + 1 and W + 2 (exact: W < 65536).
struct WideLaneVector {
    __m256 f, step, whole, whole_one, whole_two;
    __m256i p, whole_frames;
};

// The forward loops take a shorter path from one fraction to the next than advance() (the
// chain's latency is what bounds a pass when every track is in lanes), with the same results:
//   below one: x = f + step; f = x >= 1 ? x - 1 : x. x - 1 is the operation advance() does,
//              and x - 0 is x (x is at least 0, and never -0).
//   whole:     s = f + step; f = s - M, M = W + 2 if s >= W + 2, else W + 1 if s >= W + 1,
//              else W. advance() computes (s - W) - 1 - 1 as far as it goes; s lies in
//              [W, W + 2] and every subtraction is exact (all values are multiples of s's unit
//              in the last place, the results below 2), so one exact subtraction of W + c
//              gives the same number, and s >= W + c exactly when s - W >= c.
// The backward loop does what advance() does.
template <ChainLoop kLoop>
TARNWICK_WIDE_CHAIN_INLINE void advance_eight(WideLaneVector& v) {
    const __m256 one = _mm256_set1_ps(1.0f);
    if constexpr (kLoop == ChainLoop::below_one) {
        const __m256 x = _mm256_add_ps(v.f, v.step);
        const __m256 c1 = _mm256_cmp_ps(x, one, _CMP_GE_OQ);
        v.f = _mm256_blendv_ps(x, _mm256_sub_ps(x, one), c1);
        v.p = _mm256_sub_epi32(v.p, _mm256_castps_si256(c1));
    } else if constexpr (kLoop == ChainLoop::whole) {
        const __m256 x = _mm256_add_ps(v.f, v.step);
        const __m256 c1 = _mm256_cmp_ps(x, v.whole_one, _CMP_GE_OQ);
        const __m256 c2 = _mm256_cmp_ps(x, v.whole_two, _CMP_GE_OQ);
        v.f = _mm256_sub_ps(
            x, _mm256_blendv_ps(_mm256_blendv_ps(v.whole, v.whole_one, c1), v.whole_two, c2));
        v.p = _mm256_add_epi32(v.p, v.whole_frames);
        v.p = _mm256_sub_epi32(_mm256_sub_epi32(v.p, _mm256_castps_si256(c1)),
                               _mm256_castps_si256(c2));
    } else {
        const __m256 two = _mm256_set1_ps(2.0f);
        __m256 x = _mm256_sub_ps(_mm256_add_ps(v.f, v.step), v.whole);
        const __m256 below = _mm256_cmp_ps(x, _mm256_setzero_ps(), _CMP_LT_OQ);
        x = _mm256_add_ps(x, _mm256_and_ps(below, one));
        const __m256 c1 = _mm256_andnot_ps(below, _mm256_cmp_ps(x, one, _CMP_GE_OQ));
        v.p = _mm256_add_epi32(v.p, _mm256_castps_si256(below));
        const __m256 c2 = _mm256_cmp_ps(x, two, _CMP_GE_OQ);
        v.f = _mm256_sub_ps(x, _mm256_max_ps(_mm256_and_ps(c1, one), _mm256_and_ps(c2, two)));
        v.p = _mm256_add_epi32(v.p, v.whole_frames);
        v.p = _mm256_sub_epi32(_mm256_sub_epi32(v.p, _mm256_castps_si256(c1)),
                               _mm256_castps_si256(c2));
    }
}

TARNWICK_WIDE_CHAIN_INLINE WideLaneVector wide_vector(const LaneStarts& s, uint32_t first) {
    const __m256 whole = _mm256_loadu_ps(s.whole + first);
    return WideLaneVector{
        _mm256_loadu_ps(s.frac + first),
        _mm256_loadu_ps(s.step + first),
        whole,
        _mm256_add_ps(whole, _mm256_set1_ps(1.0f)),
        _mm256_add_ps(whole, _mm256_set1_ps(2.0f)),
        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s.pos + first)),
        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s.whole_frames + first))};
}

template <ChainLoop kLoop>
TARNWICK_WIDE_CHAIN_INLINE void frame_eight(PositionChains& c, uint32_t k, uint32_t first,
                                            WideLaneVector& v) {
    _mm256_storeu_ps(&c.frac[k][first], v.f);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(&c.pos[k][first]), v.p);
    advance_eight<kLoop>(v);
}

template <ChainLoop kLoopOne, ChainLoop kLoopTwo, size_t... kOne, size_t... kTwo>
[[gnu::target("avx2")]] void run_wide(PositionChains& c, const LaneStarts& starts, uint32_t first,
                                      uint32_t entries, std::index_sequence<kOne...>,
                                      std::index_sequence<kTwo...>) {
    constexpr uint32_t kOneCount = sizeof...(kOne);
    [[maybe_unused]] WideLaneVector one[kOneCount + 1] = {wide_vector(starts, first + 8 * kOne)...};
    [[maybe_unused]] WideLaneVector two[sizeof...(kTwo) + 1] = {
        wide_vector(starts, first + 8 * (kOneCount + kTwo))...};
    for (uint32_t k = 0; k < entries; ++k) {
        (frame_eight<kLoopOne>(c, k, first + 8 * kOne, one[kOne]), ...);
        (frame_eight<kLoopTwo>(c, k, first + 8 * (kOneCount + kTwo), two[kTwo]), ...);
    }
}

template <ChainLoop kLoopOne, ChainLoop kLoopTwo, uint32_t kOne, uint32_t kTwo>
struct EightLanes {
    static void run(PositionChains& c, const LaneStarts& starts, uint32_t first, uint32_t entries) {
        run_wide<kLoopOne, kLoopTwo>(c, starts, first, entries, std::make_index_sequence<kOne>(),
                                     std::make_index_sequence<kTwo>());
    }
};

// A window's voices fill at most three eight-lane vectors.
constexpr uint32_t kWideVectors = (kWindowTracks + 7) / 8;

constexpr VectorLoops<EightLanes, ChainLoop::below_one, ChainLoop::whole, kWideVectors>
    kWideForwardLoops;
constexpr VectorLoops<EightLanes, ChainLoop::backward, ChainLoop::backward, kWideVectors>
    kWideBackwardLoops;

// trunc(step) for 1 <= step < 65536, as the whole-frame policy takes it.
float whole_part(float step) {
    return static_cast<float>(static_cast<int32_t>(step));
}

}  // namespace

uint32_t PositionChains::add(float fraction, uint32_t position, float step,
                             ChainClass chain_class) {
    const uint32_t voice = voices_++;
    fraction_[voice] = fraction;
    position_[voice] = position;
    step_[voice] = step;
    class_[voice] = chain_class;
    return voice;
}

void PositionChains::run(uint32_t n) {
    // Lanes: the forward voices, those below one frame first, then the backward ones from a
    // vector boundary. A vector of forward lanes that holds a whole-frame one runs the whole
    // loop, which suits the others as well.
    uint32_t count[3] = {};
    for (uint32_t v = 0; v < voices_; ++v) ++count[static_cast<uint32_t>(class_[v])];
    const bool wide = wide_vectors();
    const uint32_t width = wide ? 8 : 4;
    const uint32_t forward = count[0] + count[1];
    const uint32_t forward_vectors = (forward + width - 1) / width;
    uint32_t next[3] = {0, count[0], width * forward_vectors};
    LaneStarts starts;
    for (uint32_t v = 0; v < voices_; ++v) {
        const uint32_t lane = next[static_cast<uint32_t>(class_[v])]++;
        lane_[v] = lane;
        starts.frac[lane] = fraction_[v];
        starts.pos[lane] = position_[v];
        starts.step[lane] = step_[v];
        if (class_[v] == ChainClass::forward_whole) {
            starts.whole[lane] = whole_part(step_[v]);
            starts.whole_frames[lane] = static_cast<uint32_t>(static_cast<int32_t>(step_[v]));
        }
    }

    const uint32_t entries = n + 1;
    if (wide) {
        const uint32_t below = count[0] / 8;
        if (forward_vectors != 0) {
            kWideForwardLoops.loops[below][forward_vectors - below](*this, starts, 0, entries);
        }
        const uint32_t back = (count[2] + 7) / 8;
        if (back != 0)
            kWideBackwardLoops.loops[back][0](*this, starts, 8 * forward_vectors, entries);
        return;
    }
    // At most six forward vectors (kWindowTracks voices): one loop.
    const uint32_t below = count[0] / 4;
    if (forward_vectors != 0) {
        kForwardLoops.loops[below][forward_vectors - below](*this, starts, 0, entries);
    }
    uint32_t first = 4 * forward_vectors;
    for (uint32_t back = (count[2] + 3) / 4; back != 0;) {
        const uint32_t a = back < kLoopVectors ? back : kLoopVectors;
        kBackwardLoops.loops[a][0](*this, starts, first, entries);
        first += 4 * a;
        back -= a;
    }
}

}  // namespace tarnwick

#endif
