// Resampling of one span: the interpolation history, the three mixing loops and the fade-out
// of a voice that has fallen silent.
//
// The loops keep the voice in locals for the whole span. The read position advances exactly
// as stated (fraction += step; a whole part, truncated forward or floored backward, moves the
// frame); the advance policies below only choose cheaper but identical arithmetic for the
// steps they accept. After a one-frame move the history is shifted instead of re-read: the
// frames it holds are the same elements of the same data.

#include <cmath>
#include <cstdint>

#include "engine/track_player.h"
#include "mixer/ramp.h"
#include "mixer/voice.h"

namespace tarnwick {
namespace {

// The per-frame helpers must fold into their loop: a call would keep the voice in memory.
#define TARNWICK_FRAME_INLINE [[gnu::always_inline]] inline

// The voice's read position and history, held in locals for the length of a span.
struct VoiceCursor {
    uint32_t pos;
    float frac;
    float step;
    float cur, next, slope, prev, next2, t3, t2, t1;
    // The history matches `pos` in the current mode, so a one-frame move may shift it. At a
    // span's start that is only known after a load (a mode change leaves other modes' fields).
    bool history_current = false;

    explicit VoiceCursor(const TrackPlayer& p)
        : pos(p.sample_pos),
          frac(p.sample_frac),
          step(p.step),
          cur(p.frame_cur),
          next(p.frame_next),
          slope(p.linear_slope),
          prev(p.frame_prev),
          next2(p.frame_next2),
          t3(p.cubic_t3),
          t2(p.cubic_t2),
          t1(p.cubic_t1) {}

    void store(TrackPlayer& p) const {
        p.sample_pos = pos;
        p.sample_frac = frac;
        p.frame_cur = cur;
        p.frame_next = next;
        p.linear_slope = slope;
        p.frame_prev = prev;
        p.frame_next2 = next2;
        p.cubic_t3 = t3;
        p.cubic_t2 = t2;
        p.cubic_t1 = t1;
    }
};

struct Nearest {
    TARNWICK_FRAME_INLINE static void load(VoiceCursor& v, const Sample& s) {
        v.cur = s.fetch(v.pos + 1);
    }
    TARNWICK_FRAME_INLINE static void moved_forward(VoiceCursor& v, const Sample& s) { load(v, s); }
    TARNWICK_FRAME_INLINE static void moved_back(VoiceCursor& v, const Sample& s) { load(v, s); }
    TARNWICK_FRAME_INLINE static float value(const VoiceCursor& v) { return v.cur; }
};

struct Linear {
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
struct Cubic {
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

template <class Mode, class Advance>
void mix_frames(TrackPlayer& p, const Sample& s, float* out, uint32_t n) {
    VoiceCursor v(p);
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
    v.store(p);
}

template <class Mode>
void mix_voice(TrackPlayer& p, const Sample& s, float* out, uint32_t n) {
    const bool unit_fraction = p.sample_frac >= 0.0f && p.sample_frac < 1.0f;
    if (unit_fraction && p.step >= 0.0f && p.step < 1.0f) {
        mix_frames<Mode, ForwardBelowOne>(p, s, out, n);
    } else if (unit_fraction && p.step >= 1.0f && p.step < 65536.0f) {
        mix_frames<Mode, ForwardWholeFrames>(p, s, out, n);
    } else if (unit_fraction && p.step < 0.0f && p.step > -1.0f) {
        mix_frames<Mode, BackwardBelowOne>(p, s, out, n);
    } else {
        mix_frames<Mode, AnyStep>(p, s, out, n);
    }
}

// What a voice without a sample reads: nothing is held, every element is 0.
const Sample& silent_sample() {
    static const Sample silent;
    return silent;
}

}  // namespace

void TrackPlayer::load_history() {
    VoiceCursor v(*this);
    const Sample& s = sample ? *sample : silent_sample();
    switch (resample_mode) {
        case kResampleNearest:
            Nearest::load(v, s);
            break;
        case kResampleCubic:
            Cubic::load(v, s);
            break;
        default:
            Linear::load(v, s);
            break;
    }
    v.store(*this);
}

void TrackPlayer::mix_span(float* out, uint32_t n) {
    if (ramp_length != 0) {
        ramp_from_left = out_left;
        ramp_from_right = out_right;
    }
    if (out == nullptr || n == 0) return;
    if (note_on && sample_active) {
        const Sample& s = sample ? *sample : silent_sample();
        switch (resample_mode) {
            case kResampleNearest:
                mix_voice<Nearest>(*this, s, out, n);
                break;
            case kResampleCubic:
                mix_voice<Cubic>(*this, s, out, n);
                break;
            default:
                mix_voice<Linear>(*this, s, out, n);
                break;
        }
    } else if (ramp_length != 0) {
        // The voice has fallen silent: fade its last output toward 0 over the running ramp.
        for (uint32_t i = 0; i < n; ++i) {
            fade_out_step(*this);
            out[2 * i] += out_left;
            out[2 * i + 1] += out_right;
            if (ramp_length == 0) break;
        }
    }
}

}  // namespace tarnwick
