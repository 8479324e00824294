#pragma once
// Patterns described cell by cell and encoded into the packed row stream: per row the global
// track's entry, then one entry per track; an info byte says which bytes follow, and bit 7
// with a count byte makes that many following rows of the track empty without any byte.
//
// The encoder compresses every run of empty rows after an entry into such a count (runs of
// up to `max_run`, at most 255), unless `compress` is off, when every row of every track gets
// an info byte (0x00 for an empty cell). An effect pair is written when its type or its
// parameter is not 0. A global effect needs a type of 1..63 to carry a parameter; anything
// else is a writer misuse (use `raw_stream` for bytes the encoder would never produce).

#include <cstdint>
#include <optional>
#include <vector>

#include "dmf_writer/byte_sink.h"
#include "loader/pattern.h"

namespace tarnwick::writer {

struct GlobalEffect {
    uint8_t type = 0;  // 0..63; 0 = none
    uint8_t param = 0;
    bool operator==(const GlobalEffect&) const = default;
};

bool is_empty(const Cell& cell);
bool same_cell(const Cell& a, const Cell& b);

struct PatternDesc {
    PatternDesc() : PatternDesc(1, 64) {}
    // An empty pattern; `beat` is the rows per beat (the high nibble of the beat byte).
    PatternDesc(uint8_t tracks, uint16_t rows, uint8_t beat = 4);

    uint8_t beat_byte = 0x40;  // high nibble: rows per beat; the loader ignores the low nibble
    std::vector<std::vector<Cell>> cells;  // [track][row]
    std::vector<GlobalEffect> global;      // one per row

    // Encoding choices.
    bool compress = true;
    uint8_t max_run = 255;  // longest run written into one count byte

    // Malformations: fields written instead of the true values.
    std::optional<uint8_t> track_count_field;
    std::optional<uint16_t> row_count_field;
    std::optional<uint32_t> packed_size_field;
    std::optional<Bytes> raw_stream;  // written instead of the encoded rows
    Bytes slack;                      // after the stream, counted in the packed size

    uint8_t track_count() const { return static_cast<uint8_t>(cells.size()); }
    uint16_t row_count() const { return static_cast<uint16_t>(global.size()); }

    Cell& cell(uint16_t row, uint8_t track);
    const Cell& cell(uint16_t row, uint8_t track) const;
    PatternDesc& set(uint16_t row, uint8_t track, const Cell& cell);
    PatternDesc& set_global(uint16_t row, uint8_t type, uint8_t param = 0);
};

// A cell that plays `note` with `instrument` (and `volume`, 0 = the sample's own).
inline Cell note_cell(uint8_t note, uint8_t instrument = 0, uint8_t volume = 0) {
    Cell c;
    c.note = note;
    c.instrument = instrument;
    c.volume = volume;
    return c;
}

// The row stream alone (without `slack`).
Bytes encode_row_stream(const PatternDesc& pattern);
// Pattern header (track count, beat byte, row count, packed size) and row stream.
Bytes encode_pattern(const PatternDesc& pattern);

}  // namespace tarnwick::writer
