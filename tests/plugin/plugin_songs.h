#pragma once
// Songs the plug-in tests play through the built libraries: the project's demo song (every
// storage form, tempo changes and a wide set of effects) and two small songs of our own.

#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <vector>

#include "demo/demo_song.h"
#include "dmf_writer/dmf_writer.h"

namespace tarnwick::plugin_test {

struct NamedSong {
    std::string name;
    writer::Bytes image;
};

// Two tracks, 32 rows: a 16-bit sine melody with a volume slide and vibrato over an 8-bit
// square bass that changes volume and panning; about four seconds.
inline writer::Song two_track_song() {
    writer::Song song;
    song.header.title = "two tracks";
    song.track_count = 2;
    writer::PatternDesc pattern(2, 32);
    const uint8_t melody[] = {49, 53, 56, 61, 56, 53, 51, 54};
    for (uint16_t i = 0; i < 8; ++i) {
        Cell lead = writer::note_cell(melody[i], 1, static_cast<uint8_t>(120 + 16 * i));
        if (i % 2 == 1) {
            lead.note_effect = 8;  // vibrato
            lead.note_param = 0x46;
        } else {
            lead.volume_effect = 2;  // slide down
            lead.volume_param = 0x08;
        }
        pattern.set(static_cast<uint16_t>(4 * i), 0, lead);
    }
    for (uint16_t row = 0; row < 32; row += 8) {
        Cell bass = writer::note_cell(static_cast<uint8_t>(25 + row / 8), 2, 200);
        bass.volume_effect = 7;  // set panning
        bass.volume_param = static_cast<uint8_t>(row * 8);
        pattern.set(row, 1, bass);
    }
    song.patterns.push_back(pattern);
    song.orders = {0};

    std::vector<int16_t> sine(256);
    for (size_t i = 0; i < sine.size(); ++i) {
        sine[i] = static_cast<int16_t>(std::lround(
            20000.0 * std::sin(2.0 * std::numbers::pi * static_cast<double>(i) / 64.0)));
    }
    song.samples.push_back(writer::SampleDesc::pcm16("sine", sine).loop(0, 255));
    std::vector<int8_t> square(32);
    for (size_t i = 0; i < square.size(); ++i) square[i] = i < 16 ? 90 : -90;
    song.samples.push_back(writer::SampleDesc::pcm8("square", square).loop(0, 31));
    return song;
}

inline std::vector<NamedSong> comparison_songs() {
    return {{"demo song", demo::demo_song_image()},
            {"two tracks", two_track_song().build()},
            {"minimal song", writer::minimal_song().build()}};
}

}  // namespace tarnwick::plugin_test
