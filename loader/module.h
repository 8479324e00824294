#pragma once
// The song model: what the loader keeps of a DMF file, copied out of the file image into
// storage that the Module owns (no record keeps a pointer into the file), and the playing
// song. Module also holds the sequencer's state, and its render and playback settings live in
// engine/sequencer.cpp: the design plays the loaded song in place (docs/architecture.md).
//
// Loading is safe against hostile files: no read leaves the file image, a chunk's payload, a
// pattern's declared packed size or a sample's block; memory follows what the file provides,
// not what it claims (see sample.h, and the cell budget in pattern_reader.h); packed-sample
// trees are built without recursion (packed_sample.h). The chunk walk continues where a chunk
// reader stopped, not where the chunk's length field points. A refused load may leave part of
// the file's content in the Module; the Module is then not played.

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <memory>

#include "engine/track_player_set.h"
#include "loader/load_refusal.h"
#include "loader/pattern.h"
#include "loader/sample.h"

namespace tarnwick {

struct Module {
    std::unique_ptr<Pattern[]> patterns;  // pattern n is element n
    uint32_t pattern_count = 0;           // 1..1024 after a successful load
    std::unique_ptr<uint16_t[]> orders;   // present (possibly empty) once "SEQU" was read
    uint32_t order_count = 0;             // 0..65535
    uint32_t loop_start = 0;              // order index where a looping song resumes
    uint32_t loop_end = 0;                // last order index before a looping song jumps back
    // Playback state of the song sequencer (engine/sequencer.cpp).
    uint32_t current_order = 0;  // index into `orders` of the order being played
    bool looping = false;        // past loop_end, jump back to loop_start
    TrackPlayerSet players;      // one player per track of the current pattern

    uint32_t track_count = 0;  // song-wide track count from "PATT", 0..32
    SampleList samples;
    bool restart_pending = true;
    char title[31] = {};
    char composer[21] = {};
    char tracker_name[9] = {};
    std::unique_ptr<char[]> message;  // "CMSG" text in lines of 40, or null
    uint32_t version = 0;
    std::tm created = {};  // only tm_mday, tm_mon, tm_year are set, as stored

    // Parses a whole DMF file image. True: the module is complete and playable.
    bool load_module(const uint8_t* data, size_t size) {
        return load_module_explained(data, size) == LoadRefusal::none;
    }
    // The same, telling why a file was refused.
    LoadRefusal load_module_explained(const uint8_t* data, size_t size);

    // --- song sequencer (engine/sequencer.cpp)
    // Renders up to `frames` stereo frames, adding into `out` (may be null: nothing is mixed).
    // Returns the frames rendered, fewer than asked only at the end of the song, or -1.
    int32_t render(float* out, uint32_t frames);
    // Playing time in whole seconds from a dry run of track 0; 0 when it cannot be computed.
    uint32_t compute_length_seconds();
    void set_mix_volume(float v);
    void set_resample_mode(uint32_t mode);
    void set_output_rate(uint32_t rate);
    void set_ramping(bool enabled);
    void set_ramp_ms(float ms);
};

}  // namespace tarnwick
