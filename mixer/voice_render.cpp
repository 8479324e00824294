// The per-track render routine: alternates the scheduler's spans with the mixing of each span,
// lets a voice that reached its boundary loop or stop, and advances the track's rows.
//
// TrackPlayer (engine/track_player.h) is one record that the engine and the mixer both work
// on: the engine's scheduler decides the spans, the mixer renders them, and this loop that
// joins the two belongs to the mixer, so the mixer calls back into the engine here.

#include <cstdint>

#include "engine/float_precision.h"
#include "engine/real_to_integer.h"
#include "engine/track_player.h"
#include "mixer/voice.h"

namespace tarnwick {
namespace {

// The start of the tick after the one the position stands in.
float next_tick_start(float row_pos) {
    const uint32_t whole = saturate_real_to_u32(row_pos);
    return static_cast<float>((static_cast<uint64_t>(whole) & ~uint64_t{kTickUnits - 1}) +
                              kTickUnits);
}

}  // namespace

int32_t TrackPlayer::render(float* out, uint32_t frames) {
    if (!cells || !global_types || !global_params) return -1;
    // Already in force under the sequencer; a player rendered on its own needs it as well.
    const SinglePrecisionScope precision;
    if (row >= row_count) return 0;
    ramp_from_left = 0.0f;
    ramp_from_right = 0.0f;
    if (frames == 0) return 0;
    if (frames > kMaxRenderFrames) frames = kMaxRenderFrames;
    // A voice is only ever active on a sample it can read.
    if (sample == nullptr) sample_active = false;

    uint32_t done = 0;
    uint32_t empty_spans = 0;
    while (done < frames) {
        if (sample_active && note_on && frames_to_boundary() == 0) {
            if (loop_enabled) {
                set_sample_position(step > 0.0f ? sample->loop_start : sample->loop_end);
            } else {
                sample_active = false;
                if (ramp_enabled) start_ramp(1.0f);
            }
        }

        const int32_t n = next_span(frames - done);
        ++spans_served;
        if (n < 0) return -1;
        const uint32_t span = static_cast<uint32_t>(n);
        done += span;

        if (history_stale) {
            if (sample != nullptr && sample->length != 0) load_history();
            history_stale = false;
        }
        if (out != nullptr) {
            mix_span(out, span);
            out += 2 * static_cast<uint64_t>(span);
        }

        if (span == 0) {
            if (++empty_spans >= kMaxEmptySpansInRow) {
                row_pos = next_tick_start(row_pos);
                empty_spans = 0;
            }
        } else {
            empty_spans = 0;
        }

        if (row_pos >= static_cast<float>(kRowUnits) && event_time[kRowDelaySlot] == 0) {
            row_pos = 0.0f;
            tick_frames_done = 0;
            event_time[kTickSlot] = 0;
            for (uint32_t slot = kRetriggerSlot; slot <= kVolumeGateSlot; ++slot) {
                event_time[slot] &= 0xFFu;  // an event due past the row's end carries over
            }
            row += 1;
            if (row >= row_count) return static_cast<int32_t>(done);
            enter_row();
        }
    }
    return static_cast<int32_t>(done);
}

}  // namespace tarnwick
