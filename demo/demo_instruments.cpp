#include "demo/demo_instruments.h"

#include <cstdint>
#include <vector>

namespace tarnwick::demo {

using writer::SampleDesc;

namespace {

constexpr int32_t kOne = 32768;  // 1.0 in Q15

// A sine of `phase` (65536 per cycle) in Q15: a parabola per half-wave with the usual
// correction towards the true curve; its small error only colours the tone.
int32_t sine_q15(uint32_t phase) {
    const int64_t x = phase & 0x7FFF;
    int64_t y = (4 * x * (kOne - x)) >> 15;  // 0..32768
    y = y + (225 * (((y * y) >> 15) - y)) / 1000;
    return static_cast<int32_t>((phase & 0x8000) ? -y : y);
}

// Multiplies a Q15 envelope by a Q16 decay factor per frame.
int32_t decay(int32_t envelope, int32_t factor_q16) {
    return static_cast<int32_t>((static_cast<int64_t>(envelope) * factor_q16) >> 16);
}

class Noise {
  public:
    int32_t next_q15() {
        state_ = state_ * 1664525u + 1013904223u;
        return static_cast<int32_t>(state_ >> 16) - kOne;
    }

  private:
    uint32_t state_ = 0x2545F491u;
};

int8_t to_pcm8(int64_t q15) {
    int64_t v = q15 >> 8;
    return static_cast<int8_t>(v > 127 ? 127 : (v < -128 ? -128 : v));
}

int16_t to_pcm16(int64_t q15) {
    return static_cast<int16_t>(q15 > 32767 ? 32767 : (q15 < -32768 ? -32768 : q15));
}

// Brings the last `frames` frames linearly to 0, so an unlooped sample ends without a click.
template <typename T>
void fade_tail(std::vector<T>& frames, size_t length) {
    for (size_t i = 0; i < length && i < frames.size(); ++i) {
        T& f = frames[frames.size() - 1 - i];
        f = static_cast<T>(static_cast<int64_t>(f) * static_cast<int64_t>(i) /
                           static_cast<int64_t>(length));
    }
}

constexpr uint32_t kPeriod = 64;  // frames per cycle of the pitched instruments

}  // namespace

SampleDesc pluck_bass() {
    std::vector<int8_t> frames(12000);
    int32_t filtered = 0, cutoff_q16 = 26000, envelope = kOne - 1;
    for (size_t i = 0; i < frames.size(); ++i) {
        int32_t square = (i % kPeriod) < kPeriod / 2 ? 30000 : -30000;
        filtered +=
            static_cast<int32_t>((static_cast<int64_t>(square - filtered) * cutoff_q16) >> 16);
        if (cutoff_q16 > 1500) cutoff_q16 = decay(cutoff_q16, 65480);
        envelope = decay(envelope, 65522);
        frames[i] = to_pcm8((static_cast<int64_t>(filtered) * envelope) >> 15);
    }
    fade_tail(frames, 400);
    SampleDesc s = SampleDesc::pcm8("pluck bass", frames);
    s.library_name = "TWSYNTH";
    s.rate = kInstrumentRate;
    s.volume = 170;
    return s;
}

SampleDesc sine_lead() {
    constexpr uint32_t kCycles = 4;
    std::vector<int16_t> frames(kCycles * kPeriod + 1);
    for (uint32_t i = 0; i < frames.size(); ++i) {
        uint32_t phase = i * (65536 / kPeriod);
        int64_t v = static_cast<int64_t>(sine_q15(phase)) * 24000 +
                    static_cast<int64_t>(sine_q15(2 * phase)) * 3600 +
                    static_cast<int64_t>(sine_q15(3 * phase)) * 1800;
        frames[i] = to_pcm16(v >> 15);
    }
    SampleDesc s = SampleDesc::pcm16("soft lead", frames);
    s.loop(0, kCycles * kPeriod);  // the last frame repeats the first: a seamless wrap
    s.library_name = "TWSYNTH";
    s.rate = kInstrumentRate;
    s.volume = 150;
    return s;
}

SampleDesc kick_drum() {
    std::vector<int16_t> frames(4500);
    uint32_t phase = 0;
    int32_t sweep = kOne - 1, envelope = kOne - 1;
    for (size_t i = 0; i < frames.size(); ++i) {
        // 48 Hz plus up to 110 Hz that falls away quickly, in 1/256 Hz.
        int64_t freq_q8 = 48 * 256 + ((110 * 256 * static_cast<int64_t>(sweep)) >> 15);
        phase += static_cast<uint32_t>((freq_q8 * 65536 / kInstrumentRate) >> 8);
        sweep = decay(sweep, 65440);
        envelope = decay(envelope, 65490);
        frames[i] = to_pcm16((static_cast<int64_t>(sine_q15(phase)) * envelope) >> 15);
    }
    fade_tail(frames, 300);
    SampleDesc s = SampleDesc::pcm16("kick", frames);
    s.library_name = "TWDRUMS";
    s.rate = kInstrumentRate;
    s.volume = 200;
    return s;
}

SampleDesc snare_drum() {
    std::vector<int8_t> frames(4000);
    Noise noise;
    uint32_t phase = 0;
    int32_t noise_env = kOne - 1, tone_env = kOne - 1;
    for (size_t i = 0; i < frames.size(); ++i) {
        phase += 185u * 65536u / kInstrumentRate;
        int64_t v = (static_cast<int64_t>(noise.next_q15()) * noise_env * 20) / (kOne * 32) +
                    (static_cast<int64_t>(sine_q15(phase)) * tone_env) / (kOne * 2);
        noise_env = decay(noise_env, 65465);
        tone_env = decay(tone_env, 65370);
        frames[i] = to_pcm8(v);
    }
    fade_tail(frames, 200);
    SampleDesc s = SampleDesc::packed("snare", frames);
    s.library_name = "TWDRUMS";
    s.rate = kInstrumentRate;
    s.volume = 170;
    return s;
}

SampleDesc hi_hat() {
    std::vector<int8_t> frames(1400);
    Noise noise;
    int32_t previous = 0, envelope = kOne - 1;
    for (size_t i = 0; i < frames.size(); ++i) {
        int32_t n = noise.next_q15();
        int64_t bright = (static_cast<int64_t>(n) - previous) / 2;  // first difference: highs
        previous = n;
        frames[i] = to_pcm8((bright * envelope) >> 15);
        envelope = decay(envelope, 65270);
    }
    fade_tail(frames, 100);
    SampleDesc s = SampleDesc::packed("hi-hat", frames);
    s.library_name = "TWDRUMS";
    s.rate = kInstrumentRate;
    s.volume = 90;
    return s;
}

SampleDesc chip_pulse() {
    std::vector<int8_t> frames(kPeriod + 1);
    // High for a quarter of the cycle, low for the rest, with no offset: 3a up, a down.
    for (uint32_t i = 0; i < frames.size(); ++i) frames[i] = (i % kPeriod) < kPeriod / 4 ? 54 : -18;
    SampleDesc s = SampleDesc::pcm8("chip pulse", frames);
    s.loop(0, kPeriod);
    s.library_name = "TWSYNTH";
    s.rate = kInstrumentRate;
    s.volume = 100;
    return s;
}

}  // namespace tarnwick::demo
