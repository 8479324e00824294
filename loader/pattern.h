#pragma once
// A pattern: one 9-byte cell per track and row, plus the global track's effect per row.
// Patterns are decoded whole when the file is loaded; playback reads cells by index.

#include <cstdint>
#include <memory>

namespace tarnwick {

// One track's event in one row. Every byte a row does not supply is 0; 0 means nothing.
struct Cell {
    uint8_t note = 0;
    uint8_t instrument = 0;  // 1-based sample number
    uint8_t volume = 0;
    uint8_t note_effect = 0;
    uint8_t note_param = 0;
    uint8_t instrument_effect = 0;
    uint8_t instrument_param = 0;
    uint8_t volume_effect = 0;
    uint8_t volume_param = 0;
};
static_assert(sizeof(Cell) == 9, "a cell is nine bytes");

struct Pattern {
    std::unique_ptr<std::unique_ptr<Cell[]>[]> cells;  // track-major: cells[track][row]
    std::unique_ptr<uint8_t[]> global_types;           // 0..63 per row, 0 = no effect
    std::unique_ptr<uint8_t[]> global_params;
    uint32_t row_count = 0;    // 0..65535
    uint32_t track_count = 0;  // 0..255
    uint32_t beat = 0;         // rows per beat, 0..15

    // Releases what the pattern held and allocates row_count cells for each of track_count
    // tracks and the two global arrays. Cell contents are left for the decoder to write.
    bool allocate(uint32_t row_count, uint32_t track_count);
    bool set_global(uint32_t row, uint8_t type, uint8_t param);
    bool set_cell(uint32_t row, uint32_t track, const Cell* cell);
};

}  // namespace tarnwick
