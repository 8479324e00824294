#pragma once
// The numbers by which a pattern names its notes and effects. Type 0 is "no effect" in every
// family; a number not listed does nothing.

#include <cstdint>

namespace tarnwick {

// Values of a cell's note byte.
namespace note_value {
inline constexpr uint8_t kFirstNote = 1;      // plays pitch 0
inline constexpr uint8_t kLastNote = 108;     // plays pitch 1712
inline constexpr uint8_t kFirstTarget = 129;  // portamento target of note 1
inline constexpr uint8_t kLastTarget = 236;   // portamento target of note 108
inline constexpr uint8_t kNoteOff = 255;
}  // namespace note_value

// The global track's effects, shared by every track of the pattern.
namespace global_effect {
inline constexpr uint8_t kSetTickRate = 1;
inline constexpr uint8_t kSetTempo = 2;
inline constexpr uint8_t kSetBeat = 3;
inline constexpr uint8_t kRowDelay = 4;
inline constexpr uint8_t kTempoSlideUp = 6;
inline constexpr uint8_t kTempoSlideDown = 7;
}  // namespace global_effect

// A cell's instrument effect.
namespace instrument_effect {
inline constexpr uint8_t kStopSample = 1;
inline constexpr uint8_t kLoopOff = 2;
inline constexpr uint8_t kRestartSample = 3;
inline constexpr uint8_t kSampleDelay = 4;
inline constexpr uint8_t kRetrigger = 5;
inline constexpr uint8_t kSampleOffset = 6;      // p * 256
inline constexpr uint8_t kSampleOffset64K = 7;   // (p + 256) * 256
inline constexpr uint8_t kSampleOffset128K = 8;  // (p + 512) * 256
inline constexpr uint8_t kSampleOffset192K = 9;  // (p + 768) * 256
inline constexpr uint8_t kReverse = 10;
}  // namespace instrument_effect

// A cell's note effect.
namespace note_effect {
inline constexpr uint8_t kFineTune = 1;
inline constexpr uint8_t kNoteDelay = 2;
inline constexpr uint8_t kArpeggio = 3;
inline constexpr uint8_t kPortamentoUp = 4;
inline constexpr uint8_t kPortamentoDown = 5;
inline constexpr uint8_t kTonePortamento = 6;
inline constexpr uint8_t kSetPitch = 7;
inline constexpr uint8_t kVibratoSine = 8;
inline constexpr uint8_t kVibratoTriangle = 9;
inline constexpr uint8_t kVibratoSquare = 10;
inline constexpr uint8_t kNoteGate = 11;
inline constexpr uint8_t kNoteCut = 12;
}  // namespace note_effect

// A cell's volume effect.
namespace volume_effect {
inline constexpr uint8_t kVolumeSlideUp = 1;
inline constexpr uint8_t kVolumeSlideDown = 2;
inline constexpr uint8_t kVolumeGate = 3;
inline constexpr uint8_t kTremoloSine = 4;
inline constexpr uint8_t kTremoloTriangle = 5;
inline constexpr uint8_t kTremoloSquare = 6;
inline constexpr uint8_t kSetPanning = 7;
inline constexpr uint8_t kPanningSlideLeft = 8;
inline constexpr uint8_t kPanningSlideRight = 9;
inline constexpr uint8_t kPanbrello = 10;
}  // namespace volume_effect

// Modulator waveforms as stored in vibrato_wave and tremolo_wave.
namespace waveform {
inline constexpr int32_t kOff = 0;
inline constexpr int32_t kSine = 1;
inline constexpr int32_t kTriangle = 2;
inline constexpr int32_t kSquare = 3;
}  // namespace waveform

}  // namespace tarnwick
