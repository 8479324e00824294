#pragma once
// A small song that uses everything a file can hold: a message, an order list with a loop,
// three patterns (one per effect family, several tracks, repeat runs, global tempo effects),
// samples of every storage (looping and not), library names, and bytes after "ENDE". The
// corruption sweeps start from it, so each of its bytes steers some part of the player.

#include <cstdint>
#include <string>
#include <vector>

#include "dmf_writer/dmf_writer.h"

namespace tarnwick::robustness {

inline std::vector<int8_t> ramp_frames(size_t n, int step) {
    std::vector<int8_t> frames(n);
    int v = 0;
    for (size_t i = 0; i < n; ++i) {
        frames[i] = static_cast<int8_t>(v);
        v = (v + step + 128) % 256 - 128;
    }
    return frames;
}

// Row r of `tracks` tracks plays a note every fourth row and effect (r % types) + 1 of one
// family, with parameters that walk from small to large.
inline writer::PatternDesc effect_pattern(uint8_t tracks, uint16_t rows, int family,
                                          uint8_t types) {
    static const uint8_t params[] = {0x00, 0x01, 0x12, 0x47, 0x80, 0xF0, 0xFF, 0x3F};
    writer::PatternDesc p(tracks, rows);
    for (uint16_t r = 0; r < rows; ++r) {
        for (uint8_t t = 0; t < tracks; ++t) {
            Cell c;
            if ((r + t) % 4 == 0)
                c = writer::note_cell(static_cast<uint8_t>(25 + 7 * t + r), t + 1);
            const uint8_t type = static_cast<uint8_t>((r + t) % types + 1);
            const uint8_t param = params[(r / types + t) % 8];
            if (family == 0) {
                c.instrument_effect = type;
                c.instrument_param = param;
            } else if (family == 1) {
                c.note_effect = type;
                c.note_param = param;
                if (type == 6) c.note = static_cast<uint8_t>(129 + 30);
            } else {
                c.volume_effect = type;
                c.volume_param = param;
            }
            p.set(r, t, c);
        }
    }
    return p;
}

inline writer::Song busy_song() {
    using writer::SampleDesc;
    using writer::TreeShape;
    writer::Song song;
    song.header.title = "busy";
    song.header.composer = "robustness";
    song.message = "Every chunk, every storage, every effect family.";
    song.track_count = 4;
    writer::PatternDesc instruments = effect_pattern(3, 12, 0, 10);
    instruments.set_global(0, 1, 63).set_global(6, 4, 2);
    writer::PatternDesc notes = effect_pattern(4, 12, 1, 12);
    notes.set_global(0, 2, 200).set_global(1, 3, 0x40).set_global(5, 6, 40).set_global(9, 7, 30);
    writer::PatternDesc volumes = effect_pattern(2, 40, 2, 10);
    volumes.set(39, 0, writer::note_cell(255));  // a long repeat run before a note off
    song.patterns = {instruments, notes, volumes};
    song.orders = {0, 1, 2, 1};
    song.loop_start = 1;
    song.loop_end = 2;

    const std::vector<int16_t> sixteen = {0, 9000, 18000, 27000, 32767, 20000, -5000, -32768};
    song.samples = {
        SampleDesc::pcm8("eight", ramp_frames(24, 9)).loop(4, 23),
        SampleDesc::pcm16("sixteen", sixteen).loop(0, 7),
        SampleDesc::packed("huffman", ramp_frames(30, 5), TreeShape::huffman),
        SampleDesc::packed("chain", ramp_frames(20, 1), TreeShape::chain).loop(2, 19),
    };
    SampleDesc silent = SampleDesc::pcm8("unsupported", ramp_frames(8, 3));
    silent.storage = writer::Storage::unsupported;
    song.samples.push_back(silent);
    for (size_t i = 0; i < song.samples.size(); ++i) {
        song.samples[i].library_name = "lib" + std::to_string(i);
        song.samples[i].rate = static_cast<uint16_t>(8363 + 2000 * i);
        song.samples[i].volume = static_cast<uint8_t>(120 + 25 * i);
    }
    song.after_end = {'t', 'a', 'i', 'l'};
    return song;
}

}  // namespace tarnwick::robustness
