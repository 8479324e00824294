#pragma once
// The demo song's instruments, synthesized with integer arithmetic only, so that the song's
// bytes are the same in every build and edition.
//
// Pitched instruments keep a 64-frame period at 16744 Hz: note 37 (pitch 576, the sample's
// base rate) sounds as C-4, 261.6 Hz. Drums play at note 37.

#include "dmf_writer/sample_encoder.h"

namespace tarnwick::demo {

inline constexpr uint16_t kInstrumentRate = 16744;

writer::SampleDesc pluck_bass();  // 8-bit, a filtered square that decays; no loop
writer::SampleDesc sine_lead();   // 16-bit, four looping cycles of a soft sine
writer::SampleDesc kick_drum();   // 16-bit, a falling sine sweep
writer::SampleDesc snare_drum();  // packed, noise and a short tone
writer::SampleDesc hi_hat();      // packed, bright noise burst
writer::SampleDesc chip_pulse();  // 8-bit, one looping cycle of a 25% pulse

}  // namespace tarnwick::demo
