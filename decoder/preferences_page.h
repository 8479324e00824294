#pragma once
// The preferences page's dialog procedure: it fills the page from the five settings and writes
// each change the user makes straight into the setting. There is no apply step and no state of
// its own; a decoder reads the settings when it opens a file, so a change takes effect at the
// next file opened.
//
// Limits and deliberate choices:
// - Every value is clamped, never refused: a rate not in the list becomes the listed rate just
//   below it (or 11025), an unknown resampling mode becomes linear, the mixing volume stays
//   within 100..1000 thousandths, and a combo box without a selection counts as its last row.
//   A stored ramp length that is not in the list is shown as the row below it and kept until
//   the user picks an entry.
// - A typed volume is scaled to thousandths in double precision (rounded to double even on the
//   x87 unit), so "0.999" gives 999 in both editions. Text that is no number gives 100; a
//   negative or too large number gives 1000, including numbers beyond 32 bits (they saturate
//   rather than wrap).
// - The check box is ticked only for "loop" 1, the one value that loops, so that it never
//   shows looping for a song that will play once.

#include <cstdint>

#include "textbridge/textbridge.h"

namespace tarnwick {

inline constexpr int32_t kMinMixVolume = 100;   // thousandths: 0.1
inline constexpr int32_t kMaxMixVolume = 1000;  // thousandths: 1.0

// The dialog procedure of dialog resource 9.
tb_lresult TB_CALLBACK preferences_page_proc(tb_hwnd dialog, uint32_t message, tb_wparam wparam,
                                             tb_lparam lparam);

// The mixing volume, in thousandths within 100..1000, that the text in the box stands for.
int32_t mix_volume_from_text(const char* text);

}  // namespace tarnwick
