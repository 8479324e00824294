// Whole songs written as DMF files, loaded and played as the decoder plays them: what a
// listener would notice (silence, pitch, panning, duration), and the same output whatever the
// size of the render calls.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "dmf_writer/dmf_writer.h"
#include "engine/effect_types.h"
#include "loader/module.h"

namespace tarnwick {
namespace {

using writer::note_cell;
using writer::PatternDesc;
using writer::SampleDesc;
using writer::Song;

constexpr float kPi = 3.14159265f;

// `cycles` periods of a sine of `period` frames, plus a closing frame so that a loop over the
// whole sample repeats exactly cycles x period frames.
SampleDesc sine_sample(uint32_t period, uint32_t cycles, uint16_t rate = 8363) {
    std::vector<int16_t> frames;
    for (uint32_t k = 0; k <= period * cycles; ++k) {
        frames.push_back(static_cast<int16_t>(
            std::lround(20000.0 * std::sin(2.0 * kPi * static_cast<double>(k) / period))));
    }
    SampleDesc s = SampleDesc::pcm16("sine", frames);
    s.rate = rate;
    s.volume = 0;  // play at the track volume
    s.loop(0, period * cycles);
    return s;
}

struct Playback {
    uint32_t rate = 48000;
    uint32_t resample_mode = 1;
    bool ramping = true;
    bool looping = false;
};

// Loads the song and sets it up the way the decoder does; returns the scanned length.
uint32_t open_song(Module& m, const Song& song, const Playback& how = {}) {
    const writer::Bytes image = song.build();
    EXPECT_TRUE(m.load_module(image.data(), image.size()));
    const uint32_t length = m.compute_length_seconds();
    m.set_resample_mode(how.resample_mode);
    m.set_mix_volume(1.0f);
    m.set_output_rate(how.rate);
    m.set_ramping(how.ramping);
    m.set_ramp_ms(how.ramping ? 3.0f : 0.0f);
    m.looping = how.looping;
    return length;
}

// Renders to the end in calls of `block` frames (interleaved stereo, cleared before each call
// as the decoder clears its block).
std::vector<float> play(Module& m, uint32_t block, uint32_t limit_frames = 48000 * 120) {
    std::vector<float> all;
    std::vector<float> buffer(2 * static_cast<size_t>(block));
    while (all.size() / 2 < limit_frames) {
        std::fill(buffer.begin(), buffer.end(), 0.0f);
        const int32_t n = m.render(buffer.data(), block);
        EXPECT_GE(n, 0);
        if (n <= 0) break;
        all.insert(all.end(), buffer.begin(), buffer.begin() + 2 * n);
    }
    return all;
}

float peak(const std::vector<float>& stereo, size_t first_frame, size_t end_frame, int channel) {
    float m = 0.0f;
    for (size_t i = first_frame; i < end_frame; ++i)
        m = std::max(m, std::fabs(stereo[2 * i + channel]));
    return m;
}

// Song of one track, `rows` rows at 32 ticks per second (6000 frames per row at 48000 Hz).
Song one_track_song(uint16_t rows) {
    Song song;
    song.orders = {0};
    song.track_count = 1;
    song.patterns.push_back(PatternDesc(1, rows));
    song.samples.push_back(sine_sample(32, 8));
    return song;
}

TEST(Listening, SilenceBeforeTheFirstNoteAndAfterTheNoteOffFades) {
    Song song = one_track_song(8);
    song.patterns[0].set(2, 0, note_cell(37, 1)).set(5, 0, note_cell(255));
    Module m;
    open_song(m, song);
    const std::vector<float> out = play(m, 512);
    ASSERT_EQ(out.size(), 2u * 8 * 6000);
    for (size_t i = 0; i < 2 * 2 * 6000; ++i) ASSERT_EQ(out[i], 0.0f) << "frame " << i / 2;
    EXPECT_GT(peak(out, 2 * 6000, 5 * 6000, 0), 0.2f);
    const size_t faded = 5 * 6000 + 144;  // one 3 ms ramp after the note-off
    for (size_t i = 2 * faded; i < out.size(); ++i) ASSERT_EQ(out[i], 0.0f) << "frame " << i / 2;
}

// Rising zero crossings per second of the left channel between two frames.
double frequency(const std::vector<float>& out, size_t first, size_t end, uint32_t rate) {
    int crossings = 0;
    for (size_t i = first + 1; i < end; ++i) {
        if (out[2 * (i - 1)] < 0.0f && out[2 * i] >= 0.0f) ++crossings;
    }
    return crossings * static_cast<double>(rate) / static_cast<double>(end - first);
}

TEST(Listening, ToneFollowsNotePitchAndSampleBaseRate) {
    struct Case {
        uint8_t note;
        uint16_t base_rate;
        uint32_t output_rate;
        uint32_t mode;
        double hz;  // base_rate / 32-frame period, doubled per octave above note 37
    };
    const Case cases[] = {
        {37, 8363, 48000, 1, 8363.0 / 32},
        {49, 8363, 48000, 0, 2 * 8363.0 / 32},
        {25, 8363, 48000, 2, 8363.0 / 64},
        {37, 16726, 44100, 1, 16726.0 / 32},
        {43, 8363, 96000, 2, 8363.0 / 32 * std::sqrt(2.0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "note " << int{c.note} << " rate " << c.base_rate
                                        << " at " << c.output_rate);
        Song song = one_track_song(16);  // two seconds
        song.samples[0] = sine_sample(32, 8, c.base_rate);
        song.patterns[0].set(0, 0, note_cell(c.note, 1));
        Module m;
        open_song(m, song, {.rate = c.output_rate, .resample_mode = c.mode});
        const std::vector<float> out = play(m, 4096);
        const size_t frames = out.size() / 2;
        EXPECT_NEAR(frequency(out, frames / 4, frames, c.output_rate), c.hz, c.hz * 0.01);
    }
}

TEST(Listening, PanningPutsTheToneOnTheChosenSide) {
    struct Case {
        uint8_t panning;
        float left_share;  // of the voice's level
    };
    for (const Case c : {Case{0, 1.0f}, Case{255, 0.0f}, Case{128, 127.0f / 255.0f}}) {
        SCOPED_TRACE(static_cast<int>(c.panning));
        Song song = one_track_song(2);
        Cell cell = note_cell(37, 1);
        cell.volume_effect = volume_effect::kSetPanning;
        cell.volume_param = c.panning;
        song.patterns[0].set(0, 0, cell);
        Module m;
        open_song(m, song, {.ramping = false});
        const std::vector<float> out = play(m, 512);
        const float left = peak(out, 1000, 12000, 0);
        const float right = peak(out, 1000, 12000, 1);
        EXPECT_NEAR(left / (left + right), c.left_share, 1e-3f);
        EXPECT_GT(left + right, 0.5f);
    }
}

// Loading another song into a module that is playing: the players of the first song refer to
// samples and patterns that the load replaced, and must never be followed.
TEST(Listening, SongLoadedOverAPlayingSongStartsAfresh) {
    Song first = one_track_song(4);
    first.samples.push_back(sine_sample(16, 4));
    first.samples.push_back(sine_sample(8, 4));
    first.patterns[0].set(0, 0, note_cell(37, 3));
    Module m;
    open_song(m, first);
    std::vector<float> block(2 * 512);
    ASSERT_EQ(m.render(block.data(), 512), 512);

    Song second = one_track_song(2);
    second.track_count = 2;
    second.patterns[0] = PatternDesc(2, 2);
    second.patterns[0].set(1, 1, note_cell(49, 1));
    const writer::Bytes image = second.build();
    ASSERT_TRUE(m.load_module(image.data(), image.size()));
    const std::vector<float> out = play(m, 512);
    EXPECT_EQ(out.size(), 2u * 2 * 6000) << "the new song plays from its first order";
    EXPECT_EQ(peak(out, 0, 6000, 0), 0.0f);
    EXPECT_GT(peak(out, 6000, 12000, 0), 0.1f);
}

// A song with tempo and tick-rate changes, a row delay, patterns of different widths and a
// voice that keeps sounding from pattern to pattern.
Song changing_tempo_song() {
    Song song;
    song.orders = {0, 1, 2, 1};
    song.track_count = 3;
    PatternDesc a(1, 24);
    a.set(0, 0, note_cell(37, 1)).set_global(0, global_effect::kSetTickRate, 47);
    PatternDesc b(3, 32, 4);
    b.set_global(0, global_effect::kSetTempo, 140).set_global(9, global_effect::kRowDelay, 40);
    b.set(0, 1, note_cell(44, 1)).set(16, 2, note_cell(49, 1));
    PatternDesc c(2, 40, 6);
    c.set_global(4, global_effect::kSetTempo, 90).set_global(20, global_effect::kTempoSlideUp, 40);
    c.set(3, 0, note_cell(40, 1));
    song.patterns = {a, b, c};
    song.samples.push_back(sine_sample(32, 8));
    return song;
}

TEST(Listening, RenderedDurationAgreesWithTheLengthScan) {
    for (const uint32_t rate : {48000u, 44100u, 11025u}) {
        SCOPED_TRACE(rate);
        Module m;
        const uint32_t length = open_song(m, changing_tempo_song(), {.rate = rate});
        const double seconds = static_cast<double>(play(m, 4096).size() / 2) / rate;
        EXPECT_GT(length, 5u);
        EXPECT_NEAR(seconds, length + 0.5, 1.0);
    }
}

TEST(Listening, LoopingSongKeepsPlayingPastItsLength) {
    Module m;
    const uint32_t length = open_song(m, changing_tempo_song(), {.looping = true});
    const std::vector<float> out = play(m, 4096, 48000 * (length + 5));
    EXPECT_GE(out.size() / 2, 48000u * (length + 5));
    EXPECT_GT(peak(out, 48000 * (length + 4), 48000 * (length + 5), 0), 0.1f);
}

// `frames` harsh frames, unlooped: a sample that ends while it plays.
SampleDesc burst_sample(size_t frames) {
    std::vector<int8_t> burst(frames);
    for (size_t k = 0; k < burst.size(); ++k) burst[k] = static_cast<int8_t>((k * 37) % 200 - 100);
    return SampleDesc::pcm8("burst", burst);
}

// Track 1: a note with an arpeggio of +4 and +7 on row 1 that row 2 carries on at +3 and +7.
void set_arpeggio(PatternDesc& p) {
    Cell arp = note_cell(49, 1);
    arp.note_effect = note_effect::kArpeggio;
    arp.note_param = 0x47;
    p.set(1, 1, arp).set(2, 1, Cell{.note_effect = note_effect::kArpeggio, .note_param = 0x37});
}

// A song that uses the effects whose timing depends on positions inside ticks.
Song busy_song() {
    Song song;
    song.orders = {0, 1, 0};
    song.track_count = 4;
    PatternDesc p(4, 16);
    Cell vib = note_cell(37, 1);
    vib.note_effect = note_effect::kVibratoSine;
    vib.note_param = 0x23;
    p.set(0, 0, vib);
    set_arpeggio(p);
    Cell retrig = note_cell(61, 1);
    retrig.instrument_effect = instrument_effect::kRetrigger;
    retrig.instrument_param = 40;
    p.set(4, 2, retrig);
    Cell delayed = note_cell(44, 1);
    delayed.note_effect = note_effect::kNoteDelay;
    delayed.note_param = 100;
    delayed.volume_effect = volume_effect::kTremoloSquare;
    delayed.volume_param = 0x12;
    p.set(6, 3, delayed);
    Cell slide{.volume_effect = volume_effect::kVolumeSlideDown, .volume_param = 20};
    p.set(7, 0, slide).set(8, 0, slide);
    Cell gate{.note_effect = note_effect::kNoteGate, .note_param = 0x21};
    p.set(9, 1, gate).set(10, 1, gate);
    p.set(12, 2, note_cell(255));
    Cell cut = note_cell(50, 1);
    cut.note_effect = note_effect::kNoteCut;
    cut.note_param = 150;
    p.set(13, 3, cut);
    p.set_global(5, global_effect::kSetTickRate, 40);
    PatternDesc q = p;
    q.set_global(3, global_effect::kRowDelay, 12).set_global(0, global_effect::kSetTickRate, 31);
    song.patterns = {p, q};
    song.samples = {sine_sample(32, 8), burst_sample(300)};
    song.patterns[0].set(14, 0, note_cell(37, 2));
    return song;
}

// Effects that act only at tick borders (notes, arpeggio, slides, portamento, tick-rate
// changes, note-offs) with looping and ending samples.
Song tick_song() {
    Song song;
    song.orders = {0, 1, 0};
    song.track_count = 3;
    PatternDesc p(3, 16);
    p.set(0, 0, note_cell(37, 1));
    set_arpeggio(p);
    Cell slide{.volume_effect = volume_effect::kVolumeSlideDown, .volume_param = 20};
    p.set(7, 0, slide).set(8, 0, slide);
    Cell porta{.note_effect = note_effect::kPortamentoUp, .note_param = 30};
    p.set(3, 2, note_cell(30, 2)).set(4, 2, porta).set(5, 2, porta);
    p.set(12, 2, note_cell(255));
    p.set_global(5, global_effect::kSetTickRate, 40);
    PatternDesc q = p;
    q.set_global(0, global_effect::kSetTickRate, 31);
    song.patterns = {p, q};
    song.samples = {sine_sample(32, 8), burst_sample(3000)};
    return song;
}

using Output = std::vector<float>;

// Plays `song` in each resampling mode in calls of 4096, 512, 7 and 1 frames, and hands `check`
// the output of the first call size with that of each other one.
template <class Check>
void compare_call_sizes(const Song& song, Check check) {
    for (const uint32_t mode : {0u, 1u, 2u}) {
        SCOPED_TRACE(mode);
        std::vector<Output> outputs;
        for (const uint32_t block : {4096u, 512u, 7u, 1u}) {
            Module m;
            open_song(m, song, {.resample_mode = mode});
            outputs.push_back(play(m, block));
        }
        for (size_t k = 1; k < outputs.size(); ++k) {
            SCOPED_TRACE(k);
            check(outputs[0], outputs[k]);
        }
    }
}

// The error of `b` against `a` relative to the energy of `a`.
double relative_error(const std::vector<float>& a, const std::vector<float>& b) {
    double error = 0.0;
    double signal = 0.0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        const double d = static_cast<double>(b[i]) - a[i];
        error += d * d;
        signal += static_cast<double>(a[i]) * a[i];
    }
    return std::sqrt(error / signal);
}

// Tick borders are found from whole frame counts, so any split of the output into render
// calls gives the same frames.
TEST(RenderCalls, CallSizesDoNotChangeTickAlignedMusic) {
    compare_call_sizes(tick_song(),
                       [](const Output& first, const Output& other) { EXPECT_EQ(other, first); });
}

// Events between tick borders (here the vibrato's steps every 32 units) are found by rounding
// a float position up to whole frames, and the position at which a call ends decides on which
// side of a frame border a rounding lands: such an event can move by one frame. That moves the
// voice's phase slightly; it never changes what is played.
TEST(RenderCalls, MidTickEventsMoveByAtMostAFrameBetweenCallSizes) {
    Song song = one_track_song(32);
    for (uint16_t r = 0; r < 32; ++r) {
        Cell c = r == 0 ? note_cell(37, 1) : Cell{};
        c.note_effect = note_effect::kVibratoSine;
        c.note_param = 0x2F;
        song.patterns[0].set(r, 0, c);
    }
    compare_call_sizes(song, [](const Output& first, const Output& other) {
        ASSERT_EQ(other.size(), first.size());
        EXPECT_LT(relative_error(first, other), 0.1);
    });
}

// A row delay accumulates its position span by span, so its end can move by a frame with the
// call size; the song's length moves with it and nothing else breaks.
TEST(RenderCalls, BusySongPlaysToTheSameEndWhateverTheCallSize) {
    compare_call_sizes(busy_song(), [](const Output& first, const Output& other) {
        EXPECT_NEAR(static_cast<double>(other.size()) / 2, static_cast<double>(first.size()) / 2,
                    1.0);
    });
}

}  // namespace
}  // namespace tarnwick
