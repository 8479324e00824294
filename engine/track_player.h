#pragma once
// One track player per track of the playing pattern: where the track stands in its pattern,
// its tempo and tick timing, the musical state of its single voice and the voice's mixing
// state. The engine (timing, scheduling, effects) and the mixer (voice, gains, ramps) both
// work on this record; each side keeps its operations in its own folder.
//
// Units: pitch 16 per semitone (note n at (n - 1) * 16, 576 plays a sample at its base rate);
// row time 64 position units per tick, 4 ticks and 256 units per row; volume and panning
// 0..255. Event times are unsigned position units from the row start; kNeverTime never fires.
//
// Nothing here allocates. A player refers to, but does not own, its sample, the module's
// sample list and the arrays of the pattern track it is bound to.
//
// Limits and choices: a tick lasts at least one output frame, whatever the rate (a shorter
// one would stall the scheduler). Reals that the arithmetic takes as unsigned or as their low
// 32 bits are converted through 64-bit integers (engine/real_to_integer.h), so a NaN, an
// infinity or a huge value gives a defined result: a boundary distance of 0, no ramp. The
// arpeggio, the modulators and the gates change pitch, volume or panning only for the
// recomputation of the step or the gains and then put them back: the arpeggio and the
// vibrato take their offset away again, the others restore the previous value.

#include <cstdint>

#include "loader/pattern.h"
#include "loader/sample.h"

namespace tarnwick {

inline constexpr uint32_t kNeverTime = 0xFFFF0000u;  // an event time that never fires
inline constexpr uint32_t kTickUnits = 64;           // position units per tick
inline constexpr uint32_t kRowUnits = 256;           // position units per row

// How a voice reads between sample frames: the "rsmode" setting's values.
enum ResampleMode : uint32_t {
    kResampleNearest = 0,
    kResampleLinear = 1,
    kResampleCubic = 2,
};

// The nine scheduler event slots, indexes into TrackPlayer::event_time.
enum EventSlot : uint32_t {
    kRowDelaySlot = 0,
    kNoteSlot = 1,
    kInstrumentSlot = 2,
    kTickSlot = 3,
    kCutSlot = 4,
    kRetriggerSlot = 5,
    kModulatorSlot = 6,
    kNoteGateSlot = 7,
    kVolumeGateSlot = 8,
    kEventSlotCount = 9,
};

struct TrackPlayer {
    // Initial values are those of a new player.
    bool pitch_dirty = false;
    float volume = 255.0f;
    float panning = 128.0f;
    float gain_left = 0.0f;
    float gain_right = 0.0f;
    float mix_volume = 1.0f;
    float ramp_ref_volume = 0.0f;
    float ramp_ref_panning = 127.5f;
    bool ramp_full = false;
    bool gains_dirty = false;
    float pitch = 0.0f;
    float porta_target = 0.0f;
    bool note_on = false;
    bool sample_active = false;
    float step = 0.0f;
    uint32_t output_rate = 48000;
    const Sample* sample = nullptr;
    bool loop_enabled = false;
    float arp_offset_1 = 0.0f;
    float arp_offset_2 = 0.0f;
    uint32_t arp_phase = 0;
    bool arp_running = false;
    float fine_tune = 0.0f;
    float vibrato_depth = 0.0f;
    float vibrato_speed = 0.0f;
    float vibrato_phase = 0.0f;
    int32_t vibrato_wave = 0;  // 0 off, 1 sine, 2 triangle, 3 square
    float tremolo_depth = 0.0f;
    float tremolo_speed = 0.0f;
    float tremolo_phase = 0.0f;
    int32_t tremolo_wave = 0;  // 0 off, 1 sine, 2 triangle, 3 square
    float panbrello_depth = 0.0f;
    float panbrello_speed = 0.0f;
    float panbrello_phase = 0.0f;
    int32_t panbrello_on = 0;
    int32_t retrigger_interval = 0;  // position units; 0 off
    // The gates' on and off durations, in position units; both 0 while the gate is off.
    int32_t note_gate_on = 0;
    int32_t note_gate_off = 0;
    bool note_gate_next_on = false;  // the next firing switches the note on
    int32_t volume_gate_on = 0;
    int32_t volume_gate_off = 0;
    bool volume_gate_next_on = false;  // the next firing restores the volume
    float ramp_ms = 3.0f;
    uint32_t ramp_length = 0;  // frames of the running ramp; 0 = none
    uint32_t ramp_counter = 0;
    bool ramp_enabled = true;
    const Cell* cells = nullptr;
    const uint8_t* global_types = nullptr;
    const uint8_t* global_params = nullptr;
    uint32_t row_count = 0;
    uint32_t row = 0;
    float row_pos = 0.0f;
    uint32_t event_time[kEventSlotCount] = {
        0, kNeverTime, kNeverTime, 0, kNeverTime, kNeverTime, kNeverTime, kNeverTime, kNeverTime};
    uint32_t tick_frames_done = 0;
    uint32_t frames_per_tick = 0;
    float frames_per_tick_inv = 0.0f;
    float ticks_per_second = 32.0f;
    float bpm = 125.0f;
    uint32_t beat = 0;
    bool fixed_tick_rate = true;
    bool whole_tick_rate = true;
    const SampleList* samples = nullptr;
    uint32_t sample_pos = 0;
    float sample_frac = 0.0f;
    uint32_t resample_mode = kResampleLinear;  // a ResampleMode; any other value reads linear
    float out_left = 0.0f;
    float out_right = 0.0f;
    float ramp_from_left = 0.0f;
    float ramp_from_right = 0.0f;
    // The interpolation history (mixer/): the values of the sample frames around the read
    // position and the coefficients computed from them, loaded by each mode as it needs them.
    float frame_cur = 0.0f;     // frame sample_pos (every mode)
    float frame_next = 0.0f;    // frame sample_pos + 1 (linear, cubic)
    float linear_slope = 0.0f;  // linear: frame_next - frame_cur
    float frame_prev = 0.0f;    // frame sample_pos - 1 (cubic)
    float frame_next2 = 0.0f;   // frame sample_pos + 2 (cubic)
    // Cubic: value = cubic_t3 * t^3 + cubic_t2 * t^2 + cubic_t1 * t + frame_cur, t the fraction.
    float cubic_t3 = 0.0f;
    float cubic_t2 = 0.0f;
    float cubic_t1 = 0.0f;
    bool history_stale = false;
    uint64_t spans_served = 0;  // spans render has served: the length scan's measure of work

    TrackPlayer();

    // The current row's cell, or an empty cell when the player is not on a row.
    const Cell& current_cell() const;

    // --- tempo and tick length (engine/track_timing.cpp)
    void reset_tempo();
    void set_beat(uint32_t n);
    void set_ticks_per_second(float x);
    void set_bpm(float x);
    void update_tick_length();

    // --- the voice as the engine drives it (engine/track_voice.cpp)
    void update_step();
    bool select_instrument(uint32_t n);
    void trigger_sample();
    uint32_t frames_to_boundary() const;
    void set_sample_position(uint32_t frame);

    // --- gains and ramps (mixer/gains.cpp)
    void update_gains();
    void start_ramp(float fraction);
    uint32_t full_ramp_length() const;  // the ramp of start_ramp(1.0)

    // --- effects. Type numbers: engine/effect_types.h; one file per family (engine/effects.h)
    void apply_note(uint8_t note);                   // engine/cell_events.cpp
    bool apply_cell();                               // engine/cell_events.cpp
    void apply_global(uint8_t type, uint8_t param);  // engine/effects_global.cpp

    // --- the modulators: start (first tick), step, stop (engine/modulators.cpp)
    void start_vibrato(int32_t wave, uint8_t param);
    void start_tremolo(int32_t wave, uint8_t param);
    void start_panbrello(uint8_t param);
    void modulator_step();
    void stop_modulators_not_carried(const Cell& cell);

    // --- the note and volume gates: start (first tick), step, stop (engine/gates.cpp)
    void start_note_gate(uint8_t param);
    void start_volume_gate(uint8_t param);
    void note_gate_step();
    void volume_gate_step();
    void stop_gates_not_carried(const Cell& cell);
    // The volume gate holds the voice muted until its next firing restores the volume; a gain
    // update requested meanwhile would unmute it, so callers leave gains_dirty alone then.
    bool volume_gate_muted() const;

    // --- scheduling (engine/scheduler.cpp)
    void bind(const Cell* track_cells, const uint8_t* types, const uint8_t* params, uint32_t rows);
    void enter_row();
    int32_t next_span(uint32_t wanted);      // span length, or -1 on failure
    bool fire_instrument(const Cell& cell);  // the instrument's time: false on failure
    void retrigger();                        // the retrigger's time

    // --- voice rendering (mixer/)
    int32_t render(float* out, uint32_t frames);  // frames rendered, or -1
    void load_history();
    void mix_span(float* out, uint32_t n);
};

}  // namespace tarnwick
