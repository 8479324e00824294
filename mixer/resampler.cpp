// Resampling of one span: the interpolation history, the three mixing loops and the fade-out
// of a voice that has fallen silent.

#include <cmath>
#include <cstdint>

#include "engine/track_player.h"
#include "mixer/ramp.h"
#include "mixer/voice.h"

namespace tarnwick {
namespace {

// The voice's read position and history, held in locals for the length of a span.
struct VoiceCursor {
    uint32_t pos;
    float frac;
    float step;
    float cur, next, slope, prev, next2, square, linear;

    explicit VoiceCursor(const TrackPlayer& p)
        : pos(p.sample_pos),
          frac(p.sample_frac),
          step(p.step),
          cur(p.hist_cur),
          next(p.hist_next),
          slope(p.coef_slope),
          prev(p.hist_prev),
          next2(p.hist_next2),
          square(p.coef_square),
          linear(p.coef_linear) {}

    void store(TrackPlayer& p) const {
        p.sample_pos = pos;
        p.sample_frac = frac;
        p.hist_cur = cur;
        p.hist_next = next;
        p.coef_slope = slope;
        p.hist_prev = prev;
        p.hist_next2 = next2;
        p.coef_square = square;
        p.coef_linear = linear;
    }
};

struct Nearest {
    static void load(VoiceCursor& v, const Sample& s) { v.cur = s.fetch(v.pos + 1); }
    static float value(const VoiceCursor& v) { return v.cur; }
};

struct Linear {
    static void load(VoiceCursor& v, const Sample& s) {
        v.cur = s.fetch(v.pos + 1);
        v.next = s.fetch(v.pos + 2);
        v.slope = v.next - v.cur;
    }
    static float value(const VoiceCursor& v) { return v.frac * v.slope + v.cur; }
};

// Four-point third-order Lagrange polynomial through prev, cur, next, next2.
struct Cubic {
    static void load(VoiceCursor& v, const Sample& s) {
        v.prev = s.fetch(v.pos);
        v.cur = s.fetch(v.pos + 1);
        v.next = s.fetch(v.pos + 2);
        v.next2 = s.fetch(v.pos + 3);
        v.square = (v.next + v.prev - v.cur - v.cur) * 0.5f;
        v.slope = (2.0f * v.prev + v.next2 - 3.0f * v.cur - 6.0f * v.square) * 0.16666667f;
        v.linear = v.next - v.slope - v.square - v.cur;
    }
    static float value(const VoiceCursor& v) {
        const float t = v.frac;
        return t * t * t * v.slope + t * t * v.square + v.linear * t + v.cur;
    }
};

// A whole number of frames, as a float, converted to the unsigned wrap-around advance of the
// position. Values beyond any sample (only reachable with absurd steps) add nothing.
uint32_t wrapped_frames(float whole) {
    if (!(whole > -9.0e18f && whole < 9.0e18f)) return 0;
    return static_cast<uint32_t>(static_cast<int64_t>(whole));
}

float truncated(float x) {
    if (x < 2147483648.0f) return static_cast<float>(static_cast<int32_t>(x));
    return std::trunc(x);
}

float floored(float x) {
    if (x > -2147483648.0f) {
        const int32_t i = static_cast<int32_t>(x);
        return static_cast<float>(static_cast<float>(i) > x ? i - 1 : i);
    }
    return std::floor(x);
}

// Any step, any fraction: the whole-frame part is split off after every advance.
struct AnyStep {
    template <class Mode>
    static void advance(VoiceCursor& v, const Sample& s) {
        v.frac += v.step;
        if (v.frac >= 1.0f) {
            const float k = truncated(v.frac);
            v.pos += wrapped_frames(k);
            v.frac -= k;
            Mode::load(v, s);
        } else if (v.frac < 0.0f) {
            const float k = floored(v.frac);
            v.pos += wrapped_frames(k);
            v.frac -= k;
            Mode::load(v, s);
        }
    }
};

// 0 <= step < 1 with the fraction in [0, 1): an advance is always exactly one frame, and
// subtracting 1 is what subtracting the truncated fraction gives.
struct ForwardBelowOne {
    template <class Mode>
    static void advance(VoiceCursor& v, const Sample& s) {
        v.frac += v.step;
        if (v.frac >= 1.0f) {
            v.frac -= 1.0f;
            v.pos += 1;
            Mode::load(v, s);
        }
    }
};

// -1 < step < 0 with the fraction in [0, 1]: an advance is one frame back; adding 1 may round
// the fraction up to exactly 1, which the next frame carries one frame forward again.
struct BackwardBelowOne {
    template <class Mode>
    static void advance(VoiceCursor& v, const Sample& s) {
        v.frac += v.step;
        if (v.frac < 0.0f) {
            v.frac += 1.0f;
            v.pos -= 1;
            Mode::load(v, s);
        } else if (v.frac >= 1.0f) {
            v.frac -= 1.0f;
            v.pos += 1;
            Mode::load(v, s);
        }
    }
};

template <class Mode, class Advance>
void mix_frames(TrackPlayer& p, const Sample& s, float* out, uint32_t n) {
    VoiceCursor v(p);
    const float gain_left = p.gain_left;
    const float gain_right = p.gain_right;
    uint32_t i = 0;
    // Frames inside a running ramp: the output is smoothed toward its unsmoothed value.
    for (; i < n && p.ramp_length != 0; ++i) {
        const float x = Mode::value(v);
        p.out_left = gain_left * x;
        p.out_right = gain_right * x;
        Advance::template advance<Mode>(v, s);
        ramp_step(p);
        out[2 * i] += p.out_left;
        out[2 * i + 1] += p.out_right;
    }
    if (i < n) {
        float left = 0.0f;
        float right = 0.0f;
        for (; i < n; ++i) {
            const float x = Mode::value(v);
            left = gain_left * x;
            right = gain_right * x;
            Advance::template advance<Mode>(v, s);
            out[2 * i] += left;
            out[2 * i + 1] += right;
        }
        p.out_left = left;
        p.out_right = right;
    }
    v.store(p);
}

template <class Mode>
void mix_voice(TrackPlayer& p, const Sample& s, float* out, uint32_t n) {
    const bool unit_fraction = p.sample_frac >= 0.0f && p.sample_frac < 1.0f;
    if (unit_fraction && p.step >= 0.0f && p.step < 1.0f) {
        mix_frames<Mode, ForwardBelowOne>(p, s, out, n);
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
        case 0:
            Nearest::load(v, s);
            break;
        case 2:
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
            case 0:
                mix_voice<Nearest>(*this, s, out, n);
                break;
            case 2:
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
