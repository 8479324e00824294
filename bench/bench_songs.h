#pragma once
// Songs for the benchmarks, written with the test DMF writer: many tracks of looping voices,
// as a dense module would play them.

#include <cmath>
#include <cstdint>
#include <vector>

#include "dmf_writer/dmf_writer.h"

namespace tarnwick::bench {

// A looping 16-bit sample: `cycles` periods of a waveform with some overtones.
inline writer::SampleDesc looping_sample(uint32_t frames, uint32_t cycles, uint16_t rate) {
    std::vector<int16_t> data(frames + 1);
    for (uint32_t k = 0; k <= frames; ++k) {
        const double x = 2.0 * 3.14159265358979 * cycles * k / frames;
        data[k] = static_cast<int16_t>(12000.0 * std::sin(x) + 4000.0 * std::sin(3.0 * x));
    }
    writer::SampleDesc s = writer::SampleDesc::pcm16("voice", data);
    s.rate = rate;
    s.volume = 0;
    s.loop(0, frames);
    return s;
}

// `tracks` tracks, each playing a sustained note of a looping sample, re-struck every 16 rows
// (a full ramp each time). `octave_shift` raises every note: 0 gives steps of about 0.17 to
// 0.9 output frames per sample frame at 48000 Hz (every voice upsampled); 2 gives 0.7 to 3.7.
inline writer::Song dense_song(uint8_t tracks, int octave_shift, uint16_t orders = 4) {
    writer::Song song;
    song.track_count = tracks;
    writer::PatternDesc p(tracks, 64);
    for (uint8_t t = 0; t < tracks; ++t) {
        const uint8_t note = static_cast<uint8_t>(37 + (t * 5) % 24 + 12 * octave_shift);
        const uint8_t instrument = static_cast<uint8_t>(1 + t % 3);
        for (uint16_t row = 0; row < 64; row += 16) {
            Cell c = writer::note_cell(note, instrument, static_cast<uint8_t>(120 + t));
            c.volume_effect = 7;  // set panning
            c.volume_param = static_cast<uint8_t>((t * 37) % 256);
            p.set(row, t, c);
        }
    }
    song.patterns.push_back(p);
    song.orders.assign(orders, 0);
    song.samples.push_back(looping_sample(4096, 64, 8363));
    song.samples.push_back(looping_sample(2000, 25, 11025));
    song.samples.push_back(looping_sample(6000, 90, 16000));
    return song;
}

// A long song with tempo changes and many orders, for the length scan.
inline writer::Song long_song() {
    writer::Song song = dense_song(8, 0, 1);
    writer::PatternDesc& p = song.patterns[0];
    p.set_global(0, 2, 150).set_global(32, 6, 8).set_global(48, 4, 2);
    song.orders.assign(200, 0);
    return song;
}

}  // namespace tarnwick::bench
