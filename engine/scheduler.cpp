// Row and tick scheduling: a track is rendered as spans of output frames in which nothing in
// the player changes. Every row start, tick border, timed event and the sample's boundary
// ends a span, so the mixing loop needs no per-frame tests.
//
// Positions are re-derived at every span from the frame count of the current tick, so
// rounding does not pile up across ticks. Only a row delay accumulates its position span by
// span. A tick length of 0 frames (output rates below 256 Hz) is played as one frame.

#include <cmath>
#include <cstdint>

#include "engine/effect_types.h"
#include "engine/real_to_integer.h"
#include "engine/track_player.h"

namespace tarnwick {
namespace {

// A position below this counts as the start of the row.
constexpr float kRowStartEpsilon = 0.0001f;
// The bits of a truncated position that give the start of the current tick (below 512).
constexpr uint32_t kTickStartMask = 0x1C0;
// Position units per tick and its inverse (1/64, exact), as the float arithmetic uses them.
constexpr float kUnitsPerTick = static_cast<float>(kTickUnits);
constexpr float kTicksPerUnit = 1.0f / kUnitsPerTick;

// trunc(x) as an unsigned position; negative or NaN positions read 0, huge ones saturate.
uint32_t whole_units(float x) {
    return saturate_real_to_u32(x);
}

// The tick length the scheduler works with: never below one frame.
uint32_t tick_frames(const TrackPlayer& p) {
    return p.frames_per_tick ? p.frames_per_tick : 1;
}
float tick_frames_inv(const TrackPlayer& p) {
    return p.frames_per_tick ? p.frames_per_tick_inv : 1.0f;
}

// Output frames until row time t; a time already passed gives 0.
uint32_t frames_until(const TrackPlayer& p, uint32_t t) {
    const float frames = std::ceil((static_cast<float>(t) - p.row_pos) *
                                   static_cast<float>(tick_frames(p)) * kTicksPerUnit);
    return whole_units(frames);
}

// Row position after k more frames of the current tick, re-derived from the tick's frame count.
float position_after(const TrackPlayer& p, uint32_t k) {
    const uint64_t tick_frames_total = static_cast<uint64_t>(p.tick_frames_done) + k;
    return static_cast<float>(whole_units(p.row_pos) & kTickStartMask) +
           static_cast<float>(tick_frames_total) * tick_frames_inv(p) * kUnitsPerTick;
}

// Whether the periodic event of `slot` runs at all (slots 5 to 8).
bool periodic_event_runs(const TrackPlayer& p, uint32_t slot) {
    switch (slot) {
        case kRetriggerSlot:
            return p.retrigger_interval != 0;
        case kModulatorSlot:
            return p.vibrato_wave != 0 || p.tremolo_wave != 0 || p.panbrello_on != 0;
        case kNoteGateSlot:
            return p.note_gate_on != 0;
        case kVolumeGateSlot:
            return p.volume_gate_on != 0;
        default:
            return true;
    }
}

}  // namespace

void TrackPlayer::bind(const Cell* track_cells, const uint8_t* types, const uint8_t* params,
                       uint32_t rows) {
    cells = track_cells;
    global_types = types;
    global_params = params;
    row_count = rows;
    tick_frames_done = 0;
    row = 0;
    row_pos = 0.0f;
    for (uint32_t& t : event_time) t = kNeverTime;
    event_time[kRowDelaySlot] = 0;
    event_time[kTickSlot] = 0;
    // A pattern without rows has nothing to continue or stop.
    if (rows > 0) enter_row();
}

void TrackPlayer::enter_row() {
    const Cell& cell = current_cell();
    if (cell.note_effect != note_effect::kArpeggio) arp_running = false;
    if (retrigger_interval != 0 && cell.instrument_effect != instrument_effect::kRetrigger)
        retrigger_interval = 0;
    stop_modulators_not_carried(cell);
    stop_gates_not_carried(cell);
}

// The instrument number (and a sample delay without one) at its time: select and trigger.
bool TrackPlayer::fire_instrument(const Cell& cell) {
    bool selected = false;
    if (cell.instrument != 0 && samples) {
        if (!select_instrument(cell.instrument)) return false;
        selected = true;
    }
    if (selected && !volume_gate_muted()) {
        gains_dirty = true;
        ramp_full = true;
    }
    if (cell.instrument == 0 && cell.instrument_effect == instrument_effect::kSampleDelay)
        trigger_sample();
    event_time[kInstrumentSlot] = kNeverTime;
    return true;
}

// The retrigger at its time: the sample restarts from its first frame, forward, with a full
// ramp, and the next one is due an interval later.
void TrackPlayer::retrigger() {
    sample_active = sample != nullptr && sample->length != 0;
    loop_enabled = sample != nullptr && sample->loop_end != 0;
    set_sample_position(0);
    if (step < 0.0f) step = -step;
    if (ramp_enabled) {
        ramp_length = full_ramp_length();
        ramp_counter = 1;
        ramp_full = true;
    }
    event_time[kRetriggerSlot] += static_cast<uint32_t>(retrigger_interval);
}

int32_t TrackPlayer::next_span(uint32_t wanted) {
    if (wanted == 0) return 0;
    const Cell& cell = current_cell();
    const bool on_row = row < row_count && global_types && global_params;
    const uint8_t global_type = on_row ? global_types[row] : 0;
    const uint8_t global_param = on_row ? global_params[row] : 0;
    uint32_t* const time = event_time;

    // Row start: either the row proper begins after a served delay, or the row arms its delays.
    if (row_pos < kRowStartEpsilon) {
        if (time[kRowDelaySlot] != 0) {
            time[kRowDelaySlot] = 0;
        } else {
            time[kRowDelaySlot] = global_type == global_effect::kRowDelay ? global_param * 16u : 0;
            time[kNoteSlot] = cell.note_effect == note_effect::kNoteDelay ? cell.note_param : 0;
            time[kInstrumentSlot] = cell.instrument_effect == instrument_effect::kSampleDelay
                                        ? cell.instrument_param
                                        : 0;
        }
    }

    // Row delay: the previous row keeps sounding; nothing fires and the boundary is not cut.
    if (whole_units(row_pos) < time[kRowDelaySlot]) {
        const uint32_t r = frames_until(*this, time[kRowDelaySlot]);
        if (wanted < r) {
            tick_frames_done += wanted;
            row_pos += static_cast<float>(wanted) * tick_frames_inv(*this) * kUnitsPerTick;
            return static_cast<int32_t>(wanted);
        }
        row_pos = 0.0f;
        tick_frames_done = 0;
        return static_cast<int32_t>(r);
    }

    if (whole_units(row_pos) >= time[kTickSlot]) {
        if (global_type != 0) apply_global(global_type, global_param);
        tick_frames_done = 0;
    }

    uint32_t span = wanted;
    float end = position_after(*this, span);
    for (uint32_t slot = kNoteSlot; slot < kEventSlotCount; ++slot) {
        if (!periodic_event_runs(*this, slot)) continue;
        if (whole_units(row_pos) >= time[slot]) {
            switch (slot) {
                case kNoteSlot:
                    apply_note(cell.note);
                    time[kNoteSlot] = kNeverTime;
                    break;
                case kInstrumentSlot:
                    if (!fire_instrument(cell)) return -1;
                    break;
                case kTickSlot:
                    if (!apply_cell()) return -1;
                    tick_frames_done = 0;
                    time[kTickSlot] += kTickUnits;
                    break;
                case kCutSlot:
                    note_on = false;
                    step = 0.0f;
                    time[kCutSlot] = kNeverTime;
                    break;
                case kRetriggerSlot:
                    retrigger();
                    break;
                case kModulatorSlot:
                    modulator_step();
                    break;
                case kNoteGateSlot:
                    note_gate_step();
                    break;
                case kVolumeGateSlot:
                    volume_gate_step();
                    break;
            }
        }
        if (whole_units(end) >= time[slot]) {
            span = frames_until(*this, time[slot]);
            end = position_after(*this, span);
        }
    }

    if (pitch_dirty) update_step();
    if (gains_dirty) update_gains();

    if (note_on && sample_active) {
        const uint32_t b = frames_to_boundary();
        if (b == 0) {
            sample_active = false;
        } else if (b < span) {
            span = b;
            end = position_after(*this, span);
        }
    }

    // The tick's border: `end` keeps its value so that the position reaches the border even
    // when the ceiling above made the span one frame too long.
    const uint32_t tick_length = tick_frames(*this);
    if (tick_frames_done >= tick_length) {
        span = 0;
    } else if (span > tick_length - tick_frames_done) {
        span = tick_length - tick_frames_done;
    }

    if (span > wanted) {
        span = wanted;
        end = position_after(*this, span);
    }
    tick_frames_done += span;
    row_pos = end;
    return static_cast<int32_t>(span);
}

}  // namespace tarnwick
