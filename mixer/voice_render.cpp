// The per-track render routine: alternates the scheduler's spans with the mixing of each span,
// lets a voice that reached its boundary loop or stop, and advances the track's rows. And the
// render of every track of a pattern together, which mixes the tracks' spans side by side.
//
// TrackPlayer (engine/track_player.h) is one record that the engine and the mixer both work
// on: the engine's scheduler decides the spans, the mixer renders them, and this loop that
// joins the two belongs to the mixer, so the mixer calls back into the engine here.

#include <cstdint>

#include "engine/float_precision.h"
#include "engine/real_to_integer.h"
#include "engine/track_player.h"
#include "engine/track_player_set.h"
#include "mixer/position_chain.h"
#include "mixer/voice.h"

namespace tarnwick {
namespace {

// The start of the tick after the one the position stands in.
float next_tick_start(float row_pos) {
    const uint32_t whole = saturate_real_to_u32(row_pos);
    return static_cast<float>((static_cast<uint64_t>(whole) & ~uint64_t{kTickUnits - 1}) +
                              kTickUnits);
}

// What render does before its first span. Returns -1 (no pattern arrays), 0 (nothing to
// render: the call returns 0) or 1 (go on, with `frames` capped).
int32_t start_render(TrackPlayer& p, uint32_t& frames) {
    if (!p.cells || !p.global_types || !p.global_params) return -1;
    if (p.row >= p.row_count) return 0;
    p.ramp_from_left = 0.0f;
    p.ramp_from_right = 0.0f;
    if (frames == 0) return 0;
    if (frames > kMaxRenderFrames) frames = kMaxRenderFrames;
    // A voice is only ever active on a sample it can read.
    if (p.sample == nullptr) p.sample_active = false;
    return 1;
}

// The next span: the voice's boundary, the scheduler's span (-1 on failure) and the history
// reload it may need.
int32_t serve_span(TrackPlayer& p, uint32_t wanted) {
    if (p.sample_active && p.note_on && p.frames_to_boundary() == 0) {
        if (p.loop_enabled) {
            p.set_sample_position(p.step > 0.0f ? p.sample->loop_start : p.sample->loop_end);
        } else {
            p.sample_active = false;
            if (p.ramp_enabled) p.start_ramp(1.0f);
        }
    }
    const int32_t n = p.next_span(wanted);
    ++p.spans_served;
    if (n < 0) return -1;
    if (p.history_stale) {
        if (p.sample != nullptr && p.sample->length != 0) p.load_history();
        p.history_stale = false;
    }
    return n;
}

// After a span of `span` frames: the guard against a tick that cannot move, and the row
// advance. False when the track has reached its last row.
bool end_span(TrackPlayer& p, uint32_t span, uint32_t& empty_spans) {
    if (span == 0) {
        if (++empty_spans >= kMaxEmptySpansInRow) {
            p.row_pos = next_tick_start(p.row_pos);
            empty_spans = 0;
        }
    } else {
        empty_spans = 0;
    }
    if (p.row_pos >= static_cast<float>(kRowUnits) && p.event_time[kRowDelaySlot] == 0) {
        p.row_pos = 0.0f;
        p.tick_frames_done = 0;
        p.event_time[kTickSlot] = 0;
        for (uint32_t slot = kRetriggerSlot; slot <= kVolumeGateSlot; ++slot) {
            p.event_time[slot] &= 0xFFu;  // an event due past the row's end carries over
        }
        p.row += 1;
        if (p.row >= p.row_count) return false;
        p.enter_row();
    }
    return true;
}

// Tracks rendered side by side, at most: a pattern has at most 255.
constexpr uint32_t kMaxTracksSideBySide = 256;

// One track's progress through a render of every track.
struct TrackRun {
    uint32_t done = 0;     // frames served, including the current span
    uint32_t unmixed = 0;  // frames of the current span not yet mixed
    uint32_t span = 0;     // the current span's length
    uint32_t empty_spans = 0;
    int32_t result = 0;  // what render returns for the track, once it has ended
    bool open = false;
};

}  // namespace

int32_t TrackPlayer::render(float* out, uint32_t frames) {
    if (!cells || !global_types || !global_params) return -1;
    // Already in force under the sequencer; a player rendered on its own needs it as well.
    const SinglePrecisionScope precision;
    const int32_t start = start_render(*this, frames);
    if (start <= 0) return start;

    uint32_t done = 0;
    uint32_t empty_spans = 0;
    while (done < frames) {
        const int32_t n = serve_span(*this, frames - done);
        if (n < 0) return -1;
        const uint32_t span = static_cast<uint32_t>(n);
        done += span;
        if (out != nullptr) {
            mix_span(out, span);
            out += 2 * static_cast<uint64_t>(span);
        }
        if (!end_span(*this, span, empty_spans)) return static_cast<int32_t>(done);
    }
    return static_cast<int32_t>(done);
}

int32_t render_tracks(const TrackPlayerSet& players, float* out, uint32_t frames) {
    const uint32_t count = players.count;
    if (out == nullptr || count < 2 || count > kMaxTracksSideBySide || !TARNWICK_EDITION_SSE) {
        int32_t d = 0;
        for (uint32_t i = 0; i < count; ++i) {
            d = players.at(i)->render(out, frames);
            if (d < 0) return -1;
        }
        return d;
    }

    const SinglePrecisionScope precision;
    TrackRun runs[kMaxTracksSideBySide];
    PassVoice voices[kMaxTracksSideBySide];
    PassVoice mixing[kMaxTracksSideBySide];
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t wanted = frames;
        const int32_t start = start_render(*players.at(i), wanted);
        if (start < 0) return -1;
        runs[i].open = start > 0;
        voices[i].player = players.at(i);
    }

    // Every track that has not ended stands at frame `mixed` of the block: each serves its
    // spans in turn, and the frames up to the nearest end of a span are mixed for all of them
    // at once, track after track, so every frame of out receives the tracks in track order.
    uint32_t mixed = 0;
    for (;;) {
        uint32_t mixing_count = 0;
        uint32_t pass = kPassFrames;
        for (uint32_t i = 0; i < count; ++i) {
            TrackRun& r = runs[i];
            TrackPlayer& p = *players.at(i);
            while (r.open && r.unmixed == 0) {
                if (r.done >= frames) {
                    r.open = false;
                    r.result = static_cast<int32_t>(r.done);
                    break;
                }
                const int32_t n = serve_span(p, frames - r.done);
                if (n < 0) {
                    for (uint32_t j = 0; j < count; ++j) end_two_stage_span(voices[j]);
                    return -1;
                }
                r.done += static_cast<uint32_t>(n);
                seed_ramp(p);
                if (n == 0) {
                    if (!end_span(p, 0, r.empty_spans)) {
                        r.open = false;
                        r.result = static_cast<int32_t>(r.done);
                    }
                } else {
                    r.span = r.unmixed = static_cast<uint32_t>(n);
                }
            }
            if (r.open) {
                mixing[mixing_count++] = voices[i];
                if (r.unmixed < pass) pass = r.unmixed;
            }
        }
        if (mixing_count == 0) break;

        mix_pass(mixing, mixing_count, out + 2 * static_cast<uint64_t>(mixed), pass);
        mixed += pass;
        for (uint32_t i = 0, m = 0; i < count; ++i) {
            TrackRun& r = runs[i];
            if (!r.open) continue;
            voices[i] = mixing[m++];
            r.unmixed -= pass;
            if (r.unmixed != 0) continue;
            end_two_stage_span(voices[i]);
            if (!end_span(*players.at(i), r.span, r.empty_spans)) {
                r.open = false;
                r.result = static_cast<int32_t>(r.done);
            }
        }
    }
    return runs[count - 1].result;
}

}  // namespace tarnwick
