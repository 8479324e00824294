// Resampling: the interpolation history, the mixing of a pass of voices, and the fade-out of
// a voice that has fallen silent.
//
// The read position advances exactly as stated (fraction += step; a whole part, truncated
// forward or floored backward, moves the frame); the advance policies below only choose
// cheaper but identical arithmetic for the steps they accept.
//
// Two ways to mix a voice, with the same output to the bit:
// - Fused (both editions): one loop per mode and policy keeps the voice in locals, advances
//   it and computes each frame's value from a history that is shifted after a one-frame move
//   (the frames it holds are the same elements of the same data) and loaded after a jump.
// - In two stages (SSE edition): first the positions alone, for up to kWindowTracks voices
//   side by side (position_chain.h); then, voice by voice in track order, each frame's value
//   from its position, four frames per SSE vector (eight per AVX2 vector where the processor
//   has them: wide_vectors.h). A value stage reads the same elements and
//   applies the same operations in the same order as the fused loop, so every lane holds the
//   value the fused loop computes for that frame; only which frames share a vector differs. The
//   value stage reads the frames afresh at every output frame, so it needs the stored
//   history to match the position when the pass starts: it always does, except after a mode
//   change without a reload, and such a voice is mixed fused.

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "engine/track_player.h"
#include "mixer/position_chain.h"
#include "mixer/ramp.h"
#include "mixer/voice.h"
#include "mixer/wide_vectors.h"

#if TARNWICK_EDITION_SSE
#include <immintrin.h>
#endif

namespace tarnwick {
namespace {

// The per-frame helpers must fold into their loop: a call would keep the voice in memory.
#define TARNWICK_FRAME_INLINE [[gnu::always_inline]] inline

// The voice's read position and history, held in locals for the length of a span. Every loop
// carries the whole history, its own mode's fields and the others' (which it leaves as they
// are), in the same seven locals whatever the mode: the slope of linear mode and the
// third-order coefficient of cubic mode share one, as only one mode runs in a loop.
struct VoiceCursor {
    uint32_t pos = 0;
    float frac = 0.0f;
    float step = 0.0f;
    float cur = 0.0f, next = 0.0f;
    union {
        float slope = 0.0f;  // linear: next - cur
        float t3;            // cubic: the third-order coefficient
    };
    float prev = 0.0f, next2 = 0.0f;
    float t2 = 0.0f, t1 = 0.0f;  // cubic: the second- and first-order coefficients
    // The history matches `pos` in the current mode, so a one-frame move may shift it. At a
    // span's start that is only known after a load (a mode change leaves other modes' fields).
    bool history_current = false;

    VoiceCursor() = default;
    // The position only; Mode::take adds the history.
    explicit VoiceCursor(const TrackPlayer& p)
        : pos(p.sample_pos), frac(p.sample_frac), step(p.step) {}

    void store_position(TrackPlayer& p) const {
        p.sample_pos = pos;
        p.sample_frac = frac;
    }
};

// The fields a mode owns, to the bit.
TARNWICK_FRAME_INLINE bool same_bits(float a, float b) {
    return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b);
}

// The history as a mode carries it: every field, the shared local taken from and put back to
// the mode's own field (a cubic loop's to cubic_t3, the others' to linear_slope).
template <bool kCubic>
struct WholeHistory {
    TARNWICK_FRAME_INLINE static void take(VoiceCursor& v, const TrackPlayer& p) {
        v.cur = p.frame_cur;
        v.next = p.frame_next;
        if constexpr (kCubic) {
            v.t3 = p.cubic_t3;
        } else {
            v.slope = p.linear_slope;
        }
        v.prev = p.frame_prev;
        v.next2 = p.frame_next2;
        v.t2 = p.cubic_t2;
        v.t1 = p.cubic_t1;
    }
    TARNWICK_FRAME_INLINE static void put(const VoiceCursor& v, TrackPlayer& p) {
        p.frame_cur = v.cur;
        p.frame_next = v.next;
        if constexpr (kCubic) {
            p.cubic_t3 = v.t3;
        } else {
            p.linear_slope = v.slope;
        }
        p.frame_prev = v.prev;
        p.frame_next2 = v.next2;
        p.cubic_t2 = v.t2;
        p.cubic_t1 = v.t1;
    }
};

struct Nearest : WholeHistory<false> {
    TARNWICK_FRAME_INLINE static bool same(const VoiceCursor& v, const TrackPlayer& p) {
        return same_bits(v.cur, p.frame_cur);
    }
    TARNWICK_FRAME_INLINE static void load(VoiceCursor& v, const Sample& s) {
        v.cur = s.fetch(v.pos + 1);
    }
    TARNWICK_FRAME_INLINE static void moved_forward(VoiceCursor& v, const Sample& s) { load(v, s); }
    TARNWICK_FRAME_INLINE static void moved_back(VoiceCursor& v, const Sample& s) { load(v, s); }
    TARNWICK_FRAME_INLINE static float value(const VoiceCursor& v) { return v.cur; }
};

struct Linear : WholeHistory<false> {
    TARNWICK_FRAME_INLINE static bool same(const VoiceCursor& v, const TrackPlayer& p) {
        return same_bits(v.cur, p.frame_cur) && same_bits(v.next, p.frame_next) &&
               same_bits(v.slope, p.linear_slope);
    }
    TARNWICK_FRAME_INLINE static void load(VoiceCursor& v, const Sample& s) {
        v.cur = s.fetch(v.pos + 1);
        v.next = s.fetch(v.pos + 2);
        v.slope = v.next - v.cur;
    }
    TARNWICK_FRAME_INLINE static void moved_forward(VoiceCursor& v, const Sample& s) {
        v.cur = v.next;
        v.next = s.fetch(v.pos + 2);
        v.slope = v.next - v.cur;
    }
    TARNWICK_FRAME_INLINE static void moved_back(VoiceCursor& v, const Sample& s) {
        v.next = v.cur;
        v.cur = s.fetch(v.pos + 1);
        v.slope = v.next - v.cur;
    }
    TARNWICK_FRAME_INLINE static float value(const VoiceCursor& v) {
        return v.frac * v.slope + v.cur;
    }
};

// Four-point third-order Lagrange polynomial through prev, cur, next, next2.
struct Cubic : WholeHistory<true> {
    TARNWICK_FRAME_INLINE static bool same(const VoiceCursor& v, const TrackPlayer& p) {
        return same_bits(v.prev, p.frame_prev) && same_bits(v.cur, p.frame_cur) &&
               same_bits(v.next, p.frame_next) && same_bits(v.next2, p.frame_next2) &&
               same_bits(v.t3, p.cubic_t3) && same_bits(v.t2, p.cubic_t2) &&
               same_bits(v.t1, p.cubic_t1);
    }
    TARNWICK_FRAME_INLINE static void coefficients(VoiceCursor& v) {
        v.t2 = (v.next + v.prev - v.cur - v.cur) * 0.5f;
        v.t3 = (2.0f * v.prev + v.next2 - 3.0f * v.cur - 6.0f * v.t2) * 0.16666667f;
        v.t1 = v.next - v.t3 - v.t2 - v.cur;
    }
    TARNWICK_FRAME_INLINE static void load(VoiceCursor& v, const Sample& s) {
        v.prev = s.fetch(v.pos);
        v.cur = s.fetch(v.pos + 1);
        v.next = s.fetch(v.pos + 2);
        v.next2 = s.fetch(v.pos + 3);
        coefficients(v);
    }
    TARNWICK_FRAME_INLINE static void moved_forward(VoiceCursor& v, const Sample& s) {
        v.prev = v.cur;
        v.cur = v.next;
        v.next = v.next2;
        v.next2 = s.fetch(v.pos + 3);
        coefficients(v);
    }
    TARNWICK_FRAME_INLINE static void moved_back(VoiceCursor& v, const Sample& s) {
        v.next2 = v.next;
        v.next = v.cur;
        v.cur = v.prev;
        v.prev = s.fetch(v.pos);
        coefficients(v);
    }
    TARNWICK_FRAME_INLINE static float value(const VoiceCursor& v) {
        const float t = v.frac;
        return t * t * t * v.t3 + t * t * v.t2 + v.t1 * t + v.cur;
    }
};

// After `pos` moved by one frame forward or back: shift the history, or load it when it was
// not known to be current.
template <class Mode>
TARNWICK_FRAME_INLINE void after_forward_frame(VoiceCursor& v, const Sample& s) {
    if (v.history_current) {
        Mode::moved_forward(v, s);
    } else {
        Mode::load(v, s);
        v.history_current = true;
    }
}

template <class Mode>
TARNWICK_FRAME_INLINE void after_back_frame(VoiceCursor& v, const Sample& s) {
    if (v.history_current) {
        Mode::moved_back(v, s);
    } else {
        Mode::load(v, s);
        v.history_current = true;
    }
}

template <class Mode>
TARNWICK_FRAME_INLINE void after_jump(VoiceCursor& v, const Sample& s) {
    Mode::load(v, s);
    v.history_current = true;
}

// A whole number of frames, as a float, converted to the unsigned wrap-around advance of the
// position. Values beyond any sample (only reachable with absurd steps) add nothing.
TARNWICK_FRAME_INLINE uint32_t wrapped_frames(float whole) {
    if (!(whole > -9.0e18f && whole < 9.0e18f)) return 0;
    return static_cast<uint32_t>(static_cast<int64_t>(whole));
}

TARNWICK_FRAME_INLINE float truncated(float x) {
    if (x < 2147483648.0f) return static_cast<float>(static_cast<int32_t>(x));
    return std::trunc(x);
}

TARNWICK_FRAME_INLINE float floored(float x) {
    if (x > -2147483648.0f) {
        const int32_t i = static_cast<int32_t>(x);
        return static_cast<float>(static_cast<float>(i) > x ? i - 1 : i);
    }
    return std::floor(x);
}

// Any step, any fraction: the whole part is split off after every advance.
struct AnyStep {
    explicit AnyStep(const VoiceCursor&) {}
    template <class Mode>
    TARNWICK_FRAME_INLINE void advance(VoiceCursor& v, const Sample& s) const {
        v.frac += v.step;
        if (v.frac >= 1.0f) {
            const float k = truncated(v.frac);
            v.pos += wrapped_frames(k);
            v.frac -= k;
            after_jump<Mode>(v, s);
        } else if (v.frac < 0.0f) {
            const float k = floored(v.frac);
            v.pos += wrapped_frames(k);
            v.frac -= k;
            after_jump<Mode>(v, s);
        }
    }
};

// 0 <= step < 1 with the fraction in [0, 1): the sum stays below 2, so the whole part is 0 or
// exactly 1, and subtracting 1 is what subtracting the truncated sum gives.
struct ForwardBelowOne {
    explicit ForwardBelowOne(const VoiceCursor&) {}
    template <class Mode>
    TARNWICK_FRAME_INLINE void advance(VoiceCursor& v, const Sample& s) const {
        v.frac += v.step;
        if (v.frac >= 1.0f) {
            v.frac -= 1.0f;
            v.pos += 1;
            after_forward_frame<Mode>(v, s);
        }
    }
};

// 1 <= step < 65536 with the fraction in [0, 1): with W = floor(step) the sum lies in [W, W + 2]
// (the top only by rounding), so its whole part is W, W + 1 or W + 2. Subtracting W and then
// 1 while at least 1 remains is exact (every value is a multiple of the sum's unit in the last
// place) and gives the truncated sum's fraction without a conversion on the chain.
struct ForwardWholeFrames {
    float whole;
    uint32_t frames;
    explicit ForwardWholeFrames(const VoiceCursor& v)
        : whole(truncated(v.step)), frames(static_cast<uint32_t>(truncated(v.step))) {}
    template <class Mode>
    TARNWICK_FRAME_INLINE void advance(VoiceCursor& v, const Sample& s) const {
        v.frac = (v.frac + v.step) - whole;
        uint32_t moved = frames;
        if (v.frac >= 1.0f) {
            v.frac -= 1.0f;
            moved += 1;
            if (v.frac >= 1.0f) {
                v.frac -= 1.0f;
                moved += 1;
            }
        }
        v.pos += moved;
        after_jump<Mode>(v, s);
    }
};

// -1 < step < 0 with the fraction in [0, 1]: the sum lies in (-1, 1]. Below 0 its floor is
// -1 (adding 1 may round the fraction up to exactly 1); exactly 1 truncates to 1.
struct BackwardBelowOne {
    explicit BackwardBelowOne(const VoiceCursor&) {}
    template <class Mode>
    TARNWICK_FRAME_INLINE void advance(VoiceCursor& v, const Sample& s) const {
        v.frac += v.step;
        if (v.frac < 0.0f) {
            v.frac += 1.0f;
            v.pos -= 1;
            after_back_frame<Mode>(v, s);
        } else if (v.frac >= 1.0f) {
            v.frac -= 1.0f;
            v.pos += 1;
            after_forward_frame<Mode>(v, s);
        }
    }
};

// A loop of its own for every mode and policy: the compiler then allocates each loop's
// registers for that loop alone (which matters most to the x87 unit's eight).
template <class Mode, class Advance>
[[gnu::noinline]] void mix_frames(TrackPlayer& p, const Sample& s, float* out, uint32_t n) {
    VoiceCursor v(p);
    Mode::take(v, p);
    const Advance advance(v);
    const float gain_left = p.gain_left;
    const float gain_right = p.gain_right;
    float* const end = out + 2 * static_cast<size_t>(n);
    // Frames inside a running ramp: the output is smoothed toward its unsmoothed value.
    while (out != end && p.ramp_length != 0) {
        const float x = Mode::value(v);
        p.out_left = gain_left * x;
        p.out_right = gain_right * x;
        advance.template advance<Mode>(v, s);
        ramp_step(p);
        out[0] += p.out_left;
        out[1] += p.out_right;
        out += 2;
    }
    if (out != end) {
        float x;
        do {
            x = Mode::value(v);
            advance.template advance<Mode>(v, s);
            out[0] += gain_left * x;
            out[1] += gain_right * x;
            out += 2;
        } while (out != end);
        p.out_left = gain_left * x;
        p.out_right = gain_right * x;
    }
    v.store_position(p);
    Mode::put(v, p);
}

template <class Mode>
void mix_voice(TrackPlayer& p, const Sample& s, float* out, uint32_t n) {
    ChainClass chain_class;
    if (!chain_class_of(p.sample_frac, p.step, &chain_class)) {
        mix_frames<Mode, AnyStep>(p, s, out, n);
        return;
    }
    switch (chain_class) {
        case ChainClass::forward_below_one:
            mix_frames<Mode, ForwardBelowOne>(p, s, out, n);
            break;
        case ChainClass::forward_whole:
            mix_frames<Mode, ForwardWholeFrames>(p, s, out, n);
            break;
        case ChainClass::backward_below_one:
            mix_frames<Mode, BackwardBelowOne>(p, s, out, n);
            break;
    }
}

// What a voice without a sample reads: nothing is held, every element is 0.
const Sample& silent_sample() {
    static const Sample silent;
    return silent;
}

const Sample& sample_of(const TrackPlayer& p) {
    return p.sample ? *p.sample : silent_sample();
}

bool sounding(const TrackPlayer& p) {
    return p.note_on && p.sample_active;
}

// One voice alone for n frames: its mixing loop, or the fade-out of a silent voice.
void mix_alone(TrackPlayer& p, float* out, uint32_t n) {
    if (sounding(p)) {
        const Sample& s = sample_of(p);
        switch (p.resample_mode) {
            case kResampleNearest:
                mix_voice<Nearest>(p, s, out, n);
                break;
            case kResampleCubic:
                mix_voice<Cubic>(p, s, out, n);
                break;
            default:
                mix_voice<Linear>(p, s, out, n);
                break;
        }
    } else if (p.ramp_length != 0) {
        // The voice has fallen silent: fade its last output toward 0 over the running ramp.
        for (uint32_t i = 0; i < n; ++i) {
            fade_out_step(p);
            out[2 * i] += p.out_left;
            out[2 * i + 1] += p.out_right;
            if (p.ramp_length == 0) break;
        }
    }
}

#if TARNWICK_EDITION_SSE

// --- The position stage of a voice alone: its advance policy, with no history to keep.

struct PositionsOnly {
    TARNWICK_FRAME_INLINE static void load(VoiceCursor&, const Sample&) {}
    TARNWICK_FRAME_INLINE static void moved_forward(VoiceCursor&, const Sample&) {}
    TARNWICK_FRAME_INLINE static void moved_back(VoiceCursor&, const Sample&) {}
};

// Entries 0..n of lane 0 as PositionChains writes them, for one voice.
template <class Advance>
void chain_alone(const TrackPlayer& p, uint32_t n, PositionChains& c) {
    VoiceCursor v(p);
    const Advance advance(v);
    const Sample& none = silent_sample();
    for (uint32_t k = 0; k < n; ++k) {
        c.frac[k][0] = v.frac;
        c.pos[k][0] = v.pos;
        advance.template advance<PositionsOnly>(v, none);
    }
    c.frac[n][0] = v.frac;
    c.pos[n][0] = v.pos;
}

void chain_alone(const TrackPlayer& p, ChainClass chain_class, uint32_t n, PositionChains& c) {
    switch (chain_class) {
        case ChainClass::forward_below_one:
            chain_alone<ForwardBelowOne>(p, n, c);
            break;
        case ChainClass::forward_whole:
            chain_alone<ForwardWholeFrames>(p, n, c);
            break;
        case ChainClass::backward_below_one:
            chain_alone<BackwardBelowOne>(p, n, c);
            break;
    }
}

// --- The value stage: each frame's value from its position, as the fused loop computes it.

// The value at (pos, frac), read through the fetch rule: the history the fused loop holds at
// that position, and its value.
template <class Mode>
TARNWICK_FRAME_INLINE float value_at(const Sample& s, uint32_t pos, float frac) {
    VoiceCursor v;
    v.pos = pos;
    v.frac = frac;
    Mode::load(v, s);
    return Mode::value(v);
}

// The sample's elements: read through the fetch rule, or directly once a pass was found to
// stay inside the stored elements.
// Element pos + kOffset of the sample (position arithmetic wraps as the fetch rule's does).
struct CheckedElements {
    const Sample& sample;
    explicit CheckedElements(const Sample& s) : sample(s) {}
    template <uint32_t kOffset>
    TARNWICK_FRAME_INLINE float at(uint32_t pos) const {
        return sample.fetch(pos + kOffset);
    }
};

// The same elements where pos + kOffset is known not to wrap.
struct DirectElements {
    const float* data;
    explicit DirectElements(const Sample& s) : data(s.data.get()) {}
    template <uint32_t kOffset>
    TARNWICK_FRAME_INLINE float at(uint32_t pos) const {
        return data[static_cast<size_t>(pos) + kOffset];
    }
    TARNWICK_FRAME_INLINE const float* from(uint32_t pos) const {
        return data + static_cast<size_t>(pos);
    }
};

// Four frames of a lane: their positions, and their fractions in a vector.
struct FourFrames {
    uint32_t pos[4];
    __m128 frac;
};

// Each value stage names its eight-frame twin, defined with the AVX2 code below.
struct NearestWide;
struct LinearWide;
struct CubicWide;

struct NearestValues {
    using Mode = Nearest;
    using Wide = NearestWide;
    static constexpr uint32_t kReach = 1;  // the highest element read: pos + 1
    template <class Elements>
    TARNWICK_FRAME_INLINE static __m128 four(const Elements& e, const FourFrames& f) {
        return _mm_setr_ps(e.template at<1>(f.pos[0]), e.template at<1>(f.pos[1]),
                           e.template at<1>(f.pos[2]), e.template at<1>(f.pos[3]));
    }
};

// Two adjacent elements in the low lanes (one 64-bit load, which 32-bit builds have too).
TARNWICK_FRAME_INLINE __m128 element_pair(const float* data) {
    return _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(data)));
}

struct LinearValues {
    using Mode = Linear;
    using Wide = LinearWide;
    static constexpr uint32_t kReach = 2;
    template <class Elements>
    TARNWICK_FRAME_INLINE static __m128 four(const Elements& e, const FourFrames& f) {
        __m128 cur, next;
        if constexpr (std::is_same_v<Elements, DirectElements>) {
            const __m128 a = _mm_unpacklo_ps(element_pair(e.from(f.pos[0]) + 1),
                                             element_pair(e.from(f.pos[1]) + 1));
            const __m128 b = _mm_unpacklo_ps(element_pair(e.from(f.pos[2]) + 1),
                                             element_pair(e.from(f.pos[3]) + 1));
            cur = _mm_movelh_ps(a, b);
            next = _mm_movehl_ps(b, a);
        } else {
            cur = _mm_setr_ps(e.template at<1>(f.pos[0]), e.template at<1>(f.pos[1]),
                              e.template at<1>(f.pos[2]), e.template at<1>(f.pos[3]));
            next = _mm_setr_ps(e.template at<2>(f.pos[0]), e.template at<2>(f.pos[1]),
                               e.template at<2>(f.pos[2]), e.template at<2>(f.pos[3]));
        }
        // Linear::load and Linear::value.
        const __m128 slope = _mm_sub_ps(next, cur);
        return _mm_add_ps(_mm_mul_ps(f.frac, slope), cur);
    }
};

struct CubicValues {
    using Mode = Cubic;
    using Wide = CubicWide;
    static constexpr uint32_t kReach = 3;
    template <class Elements>
    TARNWICK_FRAME_INLINE static __m128 four(const Elements& e, const FourFrames& f) {
        __m128 prev, cur, next, next2;
        if constexpr (std::is_same_v<Elements, DirectElements>) {
            prev = _mm_loadu_ps(e.from(f.pos[0]));
            cur = _mm_loadu_ps(e.from(f.pos[1]));
            next = _mm_loadu_ps(e.from(f.pos[2]));
            next2 = _mm_loadu_ps(e.from(f.pos[3]));
            _MM_TRANSPOSE4_PS(prev, cur, next, next2);
        } else {
            prev = _mm_setr_ps(e.template at<0>(f.pos[0]), e.template at<0>(f.pos[1]),
                               e.template at<0>(f.pos[2]), e.template at<0>(f.pos[3]));
            cur = _mm_setr_ps(e.template at<1>(f.pos[0]), e.template at<1>(f.pos[1]),
                              e.template at<1>(f.pos[2]), e.template at<1>(f.pos[3]));
            next = _mm_setr_ps(e.template at<2>(f.pos[0]), e.template at<2>(f.pos[1]),
                               e.template at<2>(f.pos[2]), e.template at<2>(f.pos[3]));
            next2 = _mm_setr_ps(e.template at<3>(f.pos[0]), e.template at<3>(f.pos[1]),
                                e.template at<3>(f.pos[2]), e.template at<3>(f.pos[3]));
        }
        // Cubic::coefficients and Cubic::value, operation for operation.
        const __m128 t2 =
            _mm_mul_ps(_mm_sub_ps(_mm_sub_ps(_mm_add_ps(next, prev), cur), cur), _mm_set1_ps(0.5f));
        const __m128 t3 =
            _mm_mul_ps(_mm_sub_ps(_mm_sub_ps(_mm_add_ps(_mm_mul_ps(_mm_set1_ps(2.0f), prev), next2),
                                             _mm_mul_ps(_mm_set1_ps(3.0f), cur)),
                                  _mm_mul_ps(_mm_set1_ps(6.0f), t2)),
                       _mm_set1_ps(0.16666667f));
        const __m128 t1 = _mm_sub_ps(_mm_sub_ps(_mm_sub_ps(next, t3), t2), cur);
        const __m128 t = f.frac;
        const __m128 tt = _mm_mul_ps(t, t);
        return _mm_add_ps(
            _mm_add_ps(_mm_add_ps(_mm_mul_ps(_mm_mul_ps(tt, t), t3), _mm_mul_ps(tt, t2)),
                       _mm_mul_ps(t1, t)),
            cur);
    }
};

// out[2k] += gain_left * x, out[2k + 1] += gain_right * x for four frames; `gains` holds
// gain_left, gain_right, gain_left, gain_right.
TARNWICK_FRAME_INLINE void add_four_frames(float* out, __m128 gains, __m128 x) {
    const __m128 first = _mm_unpacklo_ps(x, x);
    const __m128 second = _mm_unpackhi_ps(x, x);
    _mm_storeu_ps(out, _mm_add_ps(_mm_loadu_ps(out), _mm_mul_ps(gains, first)));
    _mm_storeu_ps(out + 4, _mm_add_ps(_mm_loadu_ps(out + 4), _mm_mul_ps(gains, second)));
}

// One lane's entries: a column of PositionChains.
struct LanePositions {
    const uint32_t* pos_column;
    const float* frac_column;
    LanePositions(const PositionChains& c, uint32_t lane)
        : pos_column(&c.pos[0][lane]), frac_column(&c.frac[0][lane]) {}
    TARNWICK_FRAME_INLINE uint32_t pos(uint32_t k) const {
        return pos_column[k * PositionChains::kLanes];
    }
    TARNWICK_FRAME_INLINE float frac(uint32_t k) const {
        return frac_column[k * PositionChains::kLanes];
    }
    // Frames k..k + 3; past `last`, frames repeat frame `last` (their values are not used).
    TARNWICK_FRAME_INLINE FourFrames four(uint32_t k, uint32_t last) const {
        const uint32_t k1 = k + 1 <= last ? k + 1 : last;
        const uint32_t k2 = k + 2 <= last ? k + 2 : last;
        const uint32_t k3 = k + 3 <= last ? k + 3 : last;
        return FourFrames{{pos(k), pos(k1), pos(k2), pos(k3)},
                          _mm_setr_ps(frac(k), frac(k1), frac(k2), frac(k3))};
    }
};

// Whether every element that frames [first, n) read is stored: then they may be read without
// the fetch rule's test. Forward positions never decrease within a pass (unless they wrap),
// so the last frame's reaches furthest; backward positions are scanned.
template <class Values>
bool stays_inside(const Sample& s, LanePositions l, uint32_t first, uint32_t n, bool forward) {
    uint32_t highest = l.pos(n - 1);
    if (forward) {
        if (highest < l.pos(first)) return false;
    } else {
        for (uint32_t k = first; k < n; ++k) highest = l.pos(k) > highest ? l.pos(k) : highest;
    }
    return uint64_t{highest} + Values::kReach < s.stored_elements;
}

// The first `frames` (1..3) of add_four_frames, touching nothing past them.
TARNWICK_FRAME_INLINE void add_some_frames(float* out, __m128 gains, __m128 x, uint32_t frames) {
    const __m128 first = _mm_mul_ps(gains, _mm_unpacklo_ps(x, x));
    if (frames == 1) {
        __m128 o = _mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(out));
        _mm_storel_pi(reinterpret_cast<__m64*>(out), _mm_add_ps(o, first));
        return;
    }
    _mm_storeu_ps(out, _mm_add_ps(_mm_loadu_ps(out), first));
    if (frames == 3) {
        const __m128 second = _mm_mul_ps(gains, _mm_unpackhi_ps(x, x));
        __m128 o = _mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(out + 4));
        _mm_storel_pi(reinterpret_cast<__m64*>(out + 4), _mm_add_ps(o, second));
    }
}

// Frames [k, n), four at a time; returns the value of frame n - 1.
template <class Values, class Elements>
float add_values(Elements e, LanePositions l, float* out, uint32_t k, uint32_t n, __m128 gains) {
    __m128 x = _mm_setzero_ps();
    if (k + 4 <= n) {
        // Pointers that walk, so that every access is a fixed offset from them.
        constexpr size_t kRow = PositionChains::kLanes;
        const uint32_t* pos = l.pos_column + k * kRow;
        const float* frac = l.frac_column + k * kRow;
        float* o = out + 2 * static_cast<size_t>(k);
        const uint32_t groups = (n - k) / 4;
        for (uint32_t g = 0; g < groups; ++g) {
            const FourFrames f{{pos[0], pos[kRow], pos[2 * kRow], pos[3 * kRow]},
                               _mm_setr_ps(frac[0], frac[kRow], frac[2 * kRow], frac[3 * kRow])};
            x = Values::four(e, f);
            add_four_frames(o, gains, x);
            pos += 4 * kRow;
            frac += 4 * kRow;
            o += 8;
        }
        k += 4 * groups;
    }
    uint32_t last_lane = 3;
    if (k < n) {
        x = Values::four(e, l.four(k, n - 1));
        last_lane = n - 1 - k;
        add_some_frames(out + 2 * k, gains, x, n - k);
    }
    alignas(16) float lanes[4];
    _mm_store_ps(lanes, x);
    return lanes[last_lane];
}

// --- Eight frames per vector where the processor has AVX2 (wide_vectors.h): the same elements
// and the same operations as the four-frame value stage, lane for lane. Only for a pass that
// stays inside the stored elements; its last frames (fewer than eight) go four at a time.

#define TARNWICK_WIDE [[gnu::target("avx2")]]
#define TARNWICK_WIDE_INLINE [[gnu::target("avx2"), gnu::always_inline]] inline

struct EightFrames {
    uint32_t pos[8];
    __m256 frac;
};

TARNWICK_WIDE_INLINE __m256 two_halves(const float* low, const float* high) {
    return _mm256_insertf128_ps(_mm256_castps128_ps256(_mm_loadu_ps(low)), _mm_loadu_ps(high), 1);
}

struct NearestWide {
    TARNWICK_WIDE_INLINE static __m256 eight(const float* d, const EightFrames& f) {
        return _mm256_setr_ps(d[size_t{f.pos[0]} + 1], d[size_t{f.pos[1]} + 1],
                              d[size_t{f.pos[2]} + 1], d[size_t{f.pos[3]} + 1],
                              d[size_t{f.pos[4]} + 1], d[size_t{f.pos[5]} + 1],
                              d[size_t{f.pos[6]} + 1], d[size_t{f.pos[7]} + 1]);
    }
};

struct LinearWide {
    TARNWICK_WIDE_INLINE static __m256 eight(const float* d, const EightFrames& f) {
        // Elements pos + 1 and pos + 2 of frames 0-3 in the low halves, 4-7 in the high ones.
        const __m256 a = _mm256_unpacklo_ps(
            _mm256_insertf128_ps(_mm256_castps128_ps256(element_pair(d + f.pos[0] + 1)),
                                 element_pair(d + f.pos[4] + 1), 1),
            _mm256_insertf128_ps(_mm256_castps128_ps256(element_pair(d + f.pos[1] + 1)),
                                 element_pair(d + f.pos[5] + 1), 1));
        const __m256 b = _mm256_unpacklo_ps(
            _mm256_insertf128_ps(_mm256_castps128_ps256(element_pair(d + f.pos[2] + 1)),
                                 element_pair(d + f.pos[6] + 1), 1),
            _mm256_insertf128_ps(_mm256_castps128_ps256(element_pair(d + f.pos[3] + 1)),
                                 element_pair(d + f.pos[7] + 1), 1));
        const __m256 cur =
            _mm256_castpd_ps(_mm256_unpacklo_pd(_mm256_castps_pd(a), _mm256_castps_pd(b)));
        const __m256 next =
            _mm256_castpd_ps(_mm256_unpackhi_pd(_mm256_castps_pd(a), _mm256_castps_pd(b)));
        // Linear::load and Linear::value.
        const __m256 slope = _mm256_sub_ps(next, cur);
        return _mm256_add_ps(_mm256_mul_ps(f.frac, slope), cur);
    }
};

struct CubicWide {
    TARNWICK_WIDE_INLINE static __m256 eight(const float* d, const EightFrames& f) {
        // Elements pos .. pos + 3: frames 0-3 in the low halves, 4-7 in the high ones.
        const __m256 r0 = two_halves(d + f.pos[0], d + f.pos[4]);
        const __m256 r1 = two_halves(d + f.pos[1], d + f.pos[5]);
        const __m256 r2 = two_halves(d + f.pos[2], d + f.pos[6]);
        const __m256 r3 = two_halves(d + f.pos[3], d + f.pos[7]);
        // Each half transposed as _MM_TRANSPOSE4_PS does it.
        const __m256 u0 = _mm256_unpacklo_ps(r0, r1);
        const __m256 u1 = _mm256_unpacklo_ps(r2, r3);
        const __m256 u2 = _mm256_unpackhi_ps(r0, r1);
        const __m256 u3 = _mm256_unpackhi_ps(r2, r3);
        const __m256 prev = _mm256_shuffle_ps(u0, u1, 0x44);
        const __m256 cur = _mm256_shuffle_ps(u0, u1, 0xEE);
        const __m256 next = _mm256_shuffle_ps(u2, u3, 0x44);
        const __m256 next2 = _mm256_shuffle_ps(u2, u3, 0xEE);
        // Cubic::coefficients and Cubic::value, operation for operation.
        const __m256 t2 =
            _mm256_mul_ps(_mm256_sub_ps(_mm256_sub_ps(_mm256_add_ps(next, prev), cur), cur),
                          _mm256_set1_ps(0.5f));
        const __m256 t3 = _mm256_mul_ps(
            _mm256_sub_ps(
                _mm256_sub_ps(_mm256_add_ps(_mm256_mul_ps(_mm256_set1_ps(2.0f), prev), next2),
                              _mm256_mul_ps(_mm256_set1_ps(3.0f), cur)),
                _mm256_mul_ps(_mm256_set1_ps(6.0f), t2)),
            _mm256_set1_ps(0.16666667f));
        const __m256 t1 = _mm256_sub_ps(_mm256_sub_ps(_mm256_sub_ps(next, t3), t2), cur);
        const __m256 t = f.frac;
        const __m256 tt = _mm256_mul_ps(t, t);
        return _mm256_add_ps(_mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(_mm256_mul_ps(tt, t), t3),
                                                         _mm256_mul_ps(tt, t2)),
                                           _mm256_mul_ps(t1, t)),
                             cur);
    }
};

// Frames [k, k + 8 * groups) eight at a time; returns the value of the last of them.
template <class Wide>
TARNWICK_WIDE float add_eights(const float* data, LanePositions l, float* out, uint32_t k,
                               uint32_t groups, __m128 gains4) {
    constexpr size_t kRow = PositionChains::kLanes;
    const uint32_t* pos = l.pos_column + k * kRow;
    const float* frac = l.frac_column + k * kRow;
    float* o = out + 2 * static_cast<size_t>(k);
    const __m256 gains = _mm256_insertf128_ps(_mm256_castps128_ps256(gains4), gains4, 1);
    __m256 x = _mm256_setzero_ps();
    for (uint32_t g = 0; g < groups; ++g) {
        const EightFrames f{
            {pos[0], pos[kRow], pos[2 * kRow], pos[3 * kRow], pos[4 * kRow], pos[5 * kRow],
             pos[6 * kRow], pos[7 * kRow]},
            _mm256_setr_ps(frac[0], frac[kRow], frac[2 * kRow], frac[3 * kRow], frac[4 * kRow],
                           frac[5 * kRow], frac[6 * kRow], frac[7 * kRow])};
        x = Wide::eight(data, f);
        // Frames 0-3 and 4-7, each value twice: left, right (add_four_frames).
        const __m256 lo = _mm256_unpacklo_ps(x, x);
        const __m256 hi = _mm256_unpackhi_ps(x, x);
        const __m256 first = _mm256_permute2f128_ps(lo, hi, 0x20);
        const __m256 second = _mm256_permute2f128_ps(lo, hi, 0x31);
        _mm256_storeu_ps(o, _mm256_add_ps(_mm256_loadu_ps(o), _mm256_mul_ps(gains, first)));
        _mm256_storeu_ps(o + 8,
                         _mm256_add_ps(_mm256_loadu_ps(o + 8), _mm256_mul_ps(gains, second)));
        pos += 8 * kRow;
        frac += 8 * kRow;
        o += 16;
    }
    const __m128 high = _mm256_extractf128_ps(x, 1);
    return _mm_cvtss_f32(_mm_shuffle_ps(high, high, 3));
}

// The value stage of one voice over a pass of n frames whose positions are given: frames of a
// running ramp one by one, the others eight or four at a time. Leaves the voice at entry n, with
// its history to be loaded (end_two_stage_span).
template <class Values>
void mix_values(TrackPlayer& p, const Sample& s, float* out, LanePositions l, uint32_t n,
                ChainClass chain_class) {
    const bool forward = chain_class != ChainClass::backward_below_one;
    using Mode = typename Values::Mode;
    const float gain_left = p.gain_left;
    const float gain_right = p.gain_right;
    uint32_t k = 0;
    for (; k < n && p.ramp_length != 0; ++k) {
        const float x = value_at<Mode>(s, l.pos(k), l.frac(k));
        p.out_left = gain_left * x;
        p.out_right = gain_right * x;
        ramp_step(p);
        out[2 * k] += p.out_left;
        out[2 * k + 1] += p.out_right;
    }
    if (k < n) {
        const __m128 gains = _mm_setr_ps(gain_left, gain_right, gain_left, gain_right);
        float x;
        if (stays_inside<Values>(s, l, k, n, forward)) {
            const uint32_t groups = (n - k) / 8;
            if (groups != 0 && wide_vectors()) {
                x = add_eights<typename Values::Wide>(s.data.get(), l, out, k, groups, gains);
                k += 8 * groups;
            }
            if (k < n) x = add_values<Values>(DirectElements(s), l, out, k, n, gains);
        } else {
            x = add_values<Values>(CheckedElements(s), l, out, k, n, gains);
        }
        p.out_left = gain_left * x;
        p.out_right = gain_right * x;
    }
    p.sample_pos = l.pos(n);
    p.sample_frac = l.frac(n);
}

// Whether the voice's stored history is what a load at its position gives (compared field by
// field, to the bit, for the fields the mode loads), as the value stage assumes.
template <class Mode>
bool history_matches(const TrackPlayer& p, const Sample& s) {
    VoiceCursor loaded(p);
    Mode::load(loaded, s);
    return Mode::same(loaded, p);
}

bool history_matches_mode(const TrackPlayer& p, const Sample& s) {
    switch (p.resample_mode) {
        case kResampleNearest:
            return history_matches<Nearest>(p, s);
        case kResampleCubic:
            return history_matches<Cubic>(p, s);
        default:
            return history_matches<Linear>(p, s);
    }
}

void mix_values_mode(TrackPlayer& p, float* out, LanePositions l, uint32_t n,
                     ChainClass chain_class) {
    const Sample& s = sample_of(p);
    switch (p.resample_mode) {
        case kResampleNearest:
            mix_values<NearestValues>(p, s, out, l, n, chain_class);
            break;
        case kResampleCubic:
            mix_values<CubicValues>(p, s, out, l, n, chain_class);
            break;
        default:
            mix_values<LinearValues>(p, s, out, l, n, chain_class);
            break;
    }
}

// Up to kWindowTracks voices, in track order: the positions of those that can run in lanes,
// then every voice's frames in order.
void mix_window(PassVoice* voices, uint32_t count, float* out, uint32_t n) {
    constexpr uint32_t kNoLane = kWindowTracks;
    PositionChains chains;
    uint32_t lane[kWindowTracks];
    ChainClass chain_class[kWindowTracks];
    uint32_t last = 0;
    for (uint32_t i = 0; i < count; ++i) {
        PassVoice& v = voices[i];
        const TrackPlayer& p = *v.player;
        lane[i] = kNoLane;
        if (!sounding(p) || !chain_class_of(p.sample_frac, p.step, &chain_class[i])) continue;
        // A voice that continues a two-stage span needs no check: nothing but this stage has
        // moved it since the history matched.
        if (!v.history_pending && !history_matches_mode(p, sample_of(p))) continue;
        lane[i] = chains.add(p.sample_frac, p.sample_pos, p.step, chain_class[i]);
        last = i;
    }
    if (chains.voices() > 1) {
        chains.run(n);
        for (uint32_t i = 0; i < count; ++i) {
            if (lane[i] != kNoLane) lane[i] = chains.lane(lane[i]);
        }
    } else if (chains.voices() == 1) {
        // A lane alone would wait on its own chain's latency: its policy's branches are quicker.
        chain_alone(*voices[last].player, chain_class[last], n, chains);
    }
    for (uint32_t i = 0; i < count; ++i) {
        PassVoice& v = voices[i];
        if (lane[i] == kNoLane) {
            end_two_stage_span(v);  // the fused loop starts from the history
            mix_alone(*v.player, out, n);
        } else {
            mix_values_mode(*v.player, out, LanePositions(chains, lane[i]), n, chain_class[i]);
            v.history_pending = true;
        }
    }
}

#endif

}  // namespace

void TrackPlayer::load_history() {
    VoiceCursor v(*this);
    const Sample& s = sample_of(*this);
    switch (resample_mode) {
        case kResampleNearest:
            Nearest::take(v, *this);
            Nearest::load(v, s);
            Nearest::put(v, *this);
            break;
        case kResampleCubic:
            Cubic::take(v, *this);
            Cubic::load(v, s);
            Cubic::put(v, *this);
            break;
        default:
            Linear::take(v, *this);
            Linear::load(v, s);
            Linear::put(v, *this);
            break;
    }
}

void seed_ramp(TrackPlayer& p) {
    if (p.ramp_length != 0) {
        p.ramp_from_left = p.out_left;
        p.ramp_from_right = p.out_right;
    }
}

void end_two_stage_span(PassVoice& v) {
    if (v.history_pending) {
        v.player->load_history();
        v.history_pending = false;
    }
}

void mix_pass(PassVoice* voices, uint32_t count, float* out, uint32_t n) {
#if TARNWICK_EDITION_SSE
    // Windows of equal size: a window with few lanes would wait on its chains' latency.
    const uint32_t windows = (count + kWindowTracks - 1) / kWindowTracks;
    const uint32_t size = (count + windows - 1) / windows;
    for (uint32_t first = 0; first < count; first += size) {
        mix_window(voices + first, count - first < size ? count - first : size, out, n);
    }
#else
    for (uint32_t i = 0; i < count; ++i) mix_alone(*voices[i].player, out, n);
#endif
}

void TrackPlayer::mix_span(float* out, uint32_t n) {
    seed_ramp(*this);
    if (out == nullptr || n == 0) return;
#if TARNWICK_EDITION_SSE
    PassVoice self{this};
    for (uint32_t done = 0; done < n;) {
        const uint32_t pass = n - done < kPassFrames ? n - done : kPassFrames;
        mix_pass(&self, 1, out + 2 * static_cast<size_t>(done), pass);
        done += pass;
    }
    end_two_stage_span(self);
#else
    mix_alone(*this, out, n);
#endif
}

}  // namespace tarnwick
