#pragma once
// One pattern track, built in memory, with a player bound to it: enough to drive the scheduler
// and the voice without a DMF file. Used by the engine and mixer tests.

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/track_player.h"
#include "loader/pattern.h"
#include "loader/sample.h"

namespace tarnwick::testing {

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

struct OneTrack {
    std::vector<Cell> cells;
    std::vector<uint8_t> types;
    std::vector<uint8_t> params;
    SampleList samples;
    TrackPlayer player;

    explicit OneTrack(uint32_t rows, uint32_t output_rate = 48000)
        : cells(rows), types(rows), params(rows) {
        player.output_rate = output_rate;
        player.ramp_enabled = false;
        player.samples = &samples;
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

}  // namespace tarnwick::testing
