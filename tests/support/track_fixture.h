#pragma once
// One pattern track built in memory with a track player on it: enough to drive the scheduler,
// the effects and the voice without a DMF file or a sequencer. Also the samples, sample lists
// and cells that such tests put on the track. Used by the engine, player and mixer tests.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

#include "engine/track_player.h"
#include "loader/pattern.h"
#include "loader/sample.h"

namespace tarnwick::test {

// A sample described by its frame count only, without frames: for tests that never read them.
inline std::unique_ptr<Sample> make_sample(uint32_t length, float base_rate = 8363.0f,
                                           float volume = 0.0f, uint32_t loop_start = 0,
                                           uint32_t loop_end = 0) {
    auto s = std::make_unique<Sample>();
    s->length = length;
    s->data_length = length + 2;
    s->base_rate = base_rate;
    s->volume = volume;
    s->loop_start = loop_start;
    s->loop_end = loop_end;
    return s;
}

// Stores `frames` in `sample` as the loader keeps them: a guard element before the first and
// after the last frame.
inline void fill_sample(Sample& sample, const std::vector<float>& frames) {
    const uint32_t n = static_cast<uint32_t>(frames.size());
    sample.set_length(n);
    sample.data.reset(new float[n + 2]);
    for (uint32_t k = 0; k < n; ++k) sample.data[k + 1] = frames[k];
    sample.data[0] = n ? frames[0] : 0.0f;
    sample.data[n + 1] = n ? frames[n - 1] : 0.0f;
    sample.stored_elements = n + 2;
}

// Frames 0, 1, 2, ... n - 1: the value read tells the position.
inline std::vector<float> ramp_frames(uint32_t n) {
    std::vector<float> f(n);
    for (uint32_t k = 0; k < n; ++k) f[k] = static_cast<float>(k);
    return f;
}

// Fills `list` with the given entries in order; a null entry stays an empty slot.
inline void fill_sample_list(SampleList& list, std::vector<std::unique_ptr<Sample>> entries) {
    const auto n = static_cast<uint32_t>(entries.size());
    ASSERT_TRUE(list.resize(n));
    for (uint32_t i = 0; i < n; ++i) list.replace(i, std::move(entries[i]));
}

// A cell built field by field: Cell{} with designated initialisers reads best in tables.
inline Cell instrument_fx(uint8_t type, uint8_t param) {
    Cell c;
    c.instrument_effect = type;
    c.instrument_param = param;
    return c;
}
inline Cell note_fx(uint8_t type, uint8_t param) {
    Cell c;
    c.note_effect = type;
    c.note_param = param;
    return c;
}
inline Cell volume_fx(uint8_t type, uint8_t param) {
    Cell c;
    c.volume_effect = type;
    c.volume_param = param;
    return c;
}

// The step a voice of base rate `base_rate` has at `pitch` pitch units.
inline double expected_step(double pitch, double base_rate, double output_rate) {
    return std::exp2(pitch / 192.0 - 3.0) * base_rate / output_rate;
}

// One pattern track, built in memory, with a player on it.
struct OneTrack {
    std::vector<Cell> cells;
    std::vector<uint8_t> types;
    std::vector<uint8_t> params;
    SampleList samples;
    TrackPlayer player;

    // `rows` empty cells and a player set up as the sequencer leaves it before binding: the
    // output rate, no ramps, this track's sample list. bind() attaches it.
    explicit OneTrack(uint32_t rows, uint32_t output_rate = 48000)
        : cells(rows), types(rows), params(rows) {
        player.output_rate = output_rate;
        player.ramp_enabled = false;
        player.samples = &samples;
    }
    // The given cells, no global effects, and a player standing on the first row, attached
    // without bind() (no tick length, the player's own defaults otherwise): for driving effects
    // tick by tick with tick() and next_row().
    explicit OneTrack(std::initializer_list<Cell> rows)
        : cells(rows), types(cells.size(), 0), params(cells.size(), 0) {
        player.cells = cells.data();
        player.global_types = types.data();
        player.global_params = params.data();
        player.row_count = static_cast<uint32_t>(cells.size());
        player.row = 0;
        player.row_pos = 0.0f;
    }

    Cell& cell(uint32_t row) { return cells[row]; }
    void global(uint32_t row, uint8_t type, uint8_t param) {
        types[row] = type;
        params[row] = param;
    }
    // Appends a sample and returns it (its 1-based number is samples.count()).
    Sample& add_sample(const std::vector<float>& frames, float base_rate = 8363.0f) {
        samples.resize(samples.count() + 1);
        Sample& s = *samples.at(samples.count() - 1);
        fill_sample(s, frames);
        s.base_rate = base_rate;
        return s;
    }
    // Applies the cell at the start of tick `tick` (0..3) of the current row.
    void tick(int tick) {
        player.row_pos = 64.0f * static_cast<float>(tick);
        player.apply_cell();
    }
    // All four ticks of the current row.
    void play_row() {
        for (int t = 0; t < 4; ++t) tick(t);
    }
    void next_row() {
        player.row += 1;
        player.row_pos = 0.0f;
    }
    // Attaches the player to the track, as the sequencer does.
    void bind() {
        player.bind(cells.data(), types.data(), params.data(), static_cast<uint32_t>(cells.size()));
        player.update_tick_length();
    }
    // Puts a sounding voice on `sample` directly: gains 1 left and 0 right, no ramp.
    void sound(const Sample& sample, float step, uint32_t pos = 0, float frac = 0.0f) {
        player.sample = &sample;
        player.sample_active = true;
        player.note_on = true;
        player.loop_enabled = sample.loop_end != 0;
        player.step = step;
        player.sample_pos = pos;
        player.sample_frac = frac;
        player.pitch_dirty = false;
        player.gains_dirty = false;
        player.gain_left = 1.0f;
        player.gain_right = 0.0f;
        player.history_stale = true;
    }
    // Renders `frames` frames; the result is the left channel of what the track added.
    std::vector<float> render_left(uint32_t frames, int32_t* rendered = nullptr) {
        std::vector<float> out(2 * static_cast<size_t>(frames), 0.0f);
        const int32_t n = player.render(out.data(), frames);
        if (rendered) *rendered = n;
        std::vector<float> left(frames);
        for (uint32_t i = 0; i < frames; ++i) left[i] = out[2 * i];
        return left;
    }
    // The non-empty spans the scheduler serves until `frames` are done (within one row; no
    // voice is mixed). Stops early after a run of empty spans or a failure.
    std::vector<uint32_t> spans(uint32_t frames) {
        std::vector<uint32_t> result;
        uint32_t done = 0;
        for (int empty = 0; done < frames && empty < 16;) {
            const int32_t n = player.next_span(frames - done);
            if (n < 0) break;
            if (n == 0) {
                ++empty;
                continue;
            }
            empty = 0;
            result.push_back(static_cast<uint32_t>(n));
            done += static_cast<uint32_t>(n);
        }
        return result;
    }
};

}  // namespace tarnwick::test
