#include "engine/sequencer.h"

#include <cstdint>

#include "engine/float_precision.h"
#include "loader/module.h"
#include "mixer/voice.h"

// Module is declared with the song model (loader/module.h) but also holds the sequencer's
// state, because the decoder owns one object per song that both loads and plays; its
// playback operations are the sequencer's and live here, against the loader-to-engine flow.

namespace tarnwick {

bool bind_player(const Pattern& pattern, TrackPlayer* player, uint32_t track) {
    if (player == nullptr || track >= pattern.track_count) return false;
    if (!pattern.cells || !pattern.cells[track] || !pattern.global_types ||
        !pattern.global_params) {
        return false;
    }
    player->bind(pattern.cells[track].get(), pattern.global_types.get(),
                 pattern.global_params.get(), pattern.row_count);
    player->set_beat(pattern.beat);
    player->update_tick_length();
    return true;
}

namespace {

// The players were built for this module's sample list and have not been told to restart.
bool players_current(const Module& m) {
    return !m.restart_pending && m.players.sample_list == &m.samples;
}

}  // namespace

int32_t Module::render(float* out, uint32_t frames) {
    if (!patterns || !orders || samples.count() == 0) return -1;
    const SinglePrecisionScope precision;  // the engine's float arithmetic, in either edition
    if (frames > kMaxRenderFrames) frames = kMaxRenderFrames;

    // The pattern being played continues where the previous call left it.
    bool is_bound = true;
    uint32_t bound = current_order;
    if (!players_current(*this)) {
        players.clear();
        players.sample_list = &samples;
        restart_pending = false;
        is_bound = false;
        // Every player the song can need, now: rendering on from here never allocates. A
        // failure is left to the bindings, which then find fewer players.
        uint32_t widest = 0;
        for (uint32_t i = 0; i < pattern_count; ++i) {
            if (patterns[i].track_count > widest) widest = patterns[i].track_count;
        }
        players.reserve(widest);
    }

    uint32_t remaining = frames;
    uint32_t orders_without_frames = 0;
    while (remaining > 0) {
        if (current_order >= order_count) break;  // the song has ended
        if (!is_bound || current_order != bound) {
            const uint32_t pattern_number = orders[current_order];
            if (pattern_number >= pattern_count) return -1;
            const Pattern& pattern = patterns[pattern_number];
            players.resize(pattern.track_count);  // a failure leaves no players: no frames
            for (uint32_t i = 0; i < players.count; ++i) bind_player(pattern, players.at(i), i);
            bound = current_order;
            is_bound = true;
        }

        // Every track renders the same stretch; all share the row count and global track, so
        // they end together and the last one's count decides.
        const int32_t d = render_tracks(players, out, remaining);
        if (d < 0) return -1;
        const uint32_t rendered = static_cast<uint32_t>(d);

        if (rendered < remaining) {
            current_order += 1;
            if (current_order > loop_end && looping) current_order = loop_start;
            is_bound = false;  // a loop of one order replays its pattern from the top
            if (rendered == 0) {
                // A pass over every order without a frame: nothing in reach can sound.
                if (++orders_without_frames > order_count) current_order = order_count;
            } else {
                orders_without_frames = 0;
            }
        }
        remaining -= rendered;
        if (out != nullptr) out += 2 * static_cast<uint64_t>(rendered);
    }
    return static_cast<int32_t>(frames - remaining);
}

uint32_t Module::compute_length_seconds() {
    if (!patterns || !orders || samples.count() == 0) return 0;
    const SinglePrecisionScope precision;  // the scan times the song as the render plays it
    // Players due to be discarded may refer to a song that has been loaded over.
    if (!players_current(*this)) players.clear();

    uint64_t total = 0;
    bool failed = false;
    current_order = 0;
    if (!players.resize(1)) {
        failed = true;
    } else {
        TrackPlayer& player = *players.at(0);
        player.output_rate = kLengthScanRate;
        player.pitch_dirty = true;
        player.reset_tempo();

        const uint64_t cap = uint64_t{kLengthScanCapSeconds} * kLengthScanRate;
        const uint64_t spans_at_start = player.spans_served;
        bool is_bound = false;
        uint32_t bound = 0;
        bool playable = false;
        while (current_order < order_count) {
            if (!is_bound || current_order != bound) {
                const uint32_t pattern_number = orders[current_order];
                if (pattern_number >= pattern_count) {
                    failed = true;
                    break;
                }
                playable = bind_player(patterns[pattern_number], &player, 0);
                bound = current_order;
                is_bound = true;
            }
            const int32_t n = playable ? player.render(nullptr, kLengthScanChunk) : 0;
            if (n < 0) {
                failed = true;
                break;
            }
            if (static_cast<uint32_t>(n) < kLengthScanChunk) current_order += 1;
            total += static_cast<uint32_t>(n);
            if (total >= cap) {
                total = cap;
                break;
            }
            if (player.spans_served - spans_at_start >= kLengthScanSpanBudget) break;
        }
    }

    // Whatever happened, the first render starts from the first order with fresh players.
    current_order = 0;
    restart_pending = true;
    if (failed) return 0;
    return static_cast<uint32_t>(total / kLengthScanRate);
}

void Module::set_mix_volume(float v) {
    players.mix_volume = v;
    for (uint32_t i = 0; i < players.count; ++i) players.at(i)->mix_volume = v;
}

void Module::set_resample_mode(uint32_t mode) {
    players.resample_mode = mode;
    for (uint32_t i = 0; i < players.count; ++i) players.at(i)->resample_mode = mode;
}

void Module::set_output_rate(uint32_t rate) {
    players.output_rate = rate;
    for (uint32_t i = 0; i < players.count; ++i) {
        TrackPlayer& p = *players.at(i);
        p.output_rate = rate;
        p.pitch_dirty = true;
    }
}

void Module::set_ramping(bool enabled) {
    players.ramp_enabled = enabled;
    for (uint32_t i = 0; i < players.count; ++i) players.at(i)->ramp_enabled = enabled;
}

void Module::set_ramp_ms(float ms) {
    players.ramp_ms = ms;
    const float clamped = players.player_ramp_ms();
    for (uint32_t i = 0; i < players.count; ++i) players.at(i)->ramp_ms = clamped;
}

}  // namespace tarnwick
