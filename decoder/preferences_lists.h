#pragma once
// The three lists of the preferences page: entry i of a combo box is row i of its table.

#include <cstdint>

namespace tarnwick {

struct PageListRow {
    const char* text;
    int32_t value;
};

// "srate": the rates offered, in Hz (the third is 22025, not 22050).
inline constexpr PageListRow kSampleRateRows[] = {
    {"11025", 11025}, {"16000", 16000}, {"22025", 22025}, {"32000", 32000}, {"44100", 44100},
    {"48000", 48000}, {"64000", 64000}, {"88200", 88200}, {"96000", 96000}};

// "rsmode": the resampling modes.
inline constexpr PageListRow kResampleModeRows[] = {
    {"Nearest", 0}, {"Linear", 1}, {"Cubic test", 2}};

// "ramplen": ramp lengths in thousandths of a millisecond; 0 turns ramping off.
inline constexpr PageListRow kRampLengthRows[] = {
    {"Disabled", 0}, {"Light", 3000}, {"Heavy", 8000}};

}  // namespace tarnwick
