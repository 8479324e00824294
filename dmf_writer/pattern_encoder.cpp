#include "dmf_writer/pattern_encoder.h"

#include <algorithm>
#include <cstring>

namespace tarnwick::writer {

bool same_cell(const Cell& a, const Cell& b) {
    return std::memcmp(&a, &b, sizeof(Cell)) == 0;
}

bool is_empty(const Cell& cell) {
    return same_cell(cell, Cell{});
}

PatternDesc::PatternDesc(uint8_t tracks, uint16_t rows, uint8_t beat)
    : beat_byte(static_cast<uint8_t>((beat & 0x0F) << 4)),
      cells(tracks, std::vector<Cell>(rows)),
      global(rows) {}

Cell& PatternDesc::cell(uint16_t row, uint8_t track) {
    if (track >= cells.size() || row >= cells[track].size())
        writer_misuse("cell outside the pattern");
    return cells[track][row];
}

const Cell& PatternDesc::cell(uint16_t row, uint8_t track) const {
    if (track >= cells.size() || row >= cells[track].size())
        writer_misuse("cell outside the pattern");
    return cells[track][row];
}

PatternDesc& PatternDesc::set(uint16_t row, uint8_t track, const Cell& c) {
    cell(row, track) = c;
    return *this;
}

PatternDesc& PatternDesc::set_global(uint16_t row, uint8_t type, uint8_t param) {
    if (row >= global.size()) writer_misuse("global effect outside the pattern");
    global[row] = {type, param};
    return *this;
}

namespace {

// How many rows after `row` are empty and can ride on this row's count byte.
template <typename IsEmptyAt>
uint8_t empty_run_after(size_t row, size_t rows, const PatternDesc& p, IsEmptyAt empty_at) {
    if (!p.compress) return 0;
    size_t run = 0;
    while (run < p.max_run && row + 1 + run < rows && empty_at(row + 1 + run)) ++run;
    return static_cast<uint8_t>(run);
}

void put_global_entry(Bytes& out, const GlobalEffect& effect, uint8_t run) {
    if (effect.type > 63) writer_misuse("global effect type above 63");
    if (effect.type == 0 && effect.param != 0)
        writer_misuse("a global effect parameter needs a type");
    put_u8(out, static_cast<uint8_t>(effect.type | (run ? 0x80 : 0)));
    if (run) put_u8(out, run);
    if (effect.type != 0) put_u8(out, effect.param);
}

void put_track_entry(Bytes& out, const Cell& c, uint8_t run) {
    bool instrument_pair = c.instrument_effect || c.instrument_param;
    bool note_pair = c.note_effect || c.note_param;
    bool volume_pair = c.volume_effect || c.volume_param;
    uint8_t info = static_cast<uint8_t>(
        (run ? 0x80 : 0) | (c.instrument ? 0x40 : 0) | (c.note ? 0x20 : 0) | (c.volume ? 0x10 : 0) |
        (instrument_pair ? 0x08 : 0) | (note_pair ? 0x04 : 0) | (volume_pair ? 0x02 : 0));
    put_u8(out, info);
    if (run) put_u8(out, run);
    if (c.instrument) put_u8(out, c.instrument);
    if (c.note) put_u8(out, c.note);
    if (c.volume) put_u8(out, c.volume);
    if (instrument_pair) {
        put_u8(out, c.instrument_effect);
        put_u8(out, c.instrument_param);
    }
    if (note_pair) {
        put_u8(out, c.note_effect);
        put_u8(out, c.note_param);
    }
    if (volume_pair) {
        put_u8(out, c.volume_effect);
        put_u8(out, c.volume_param);
    }
}

}  // namespace

Bytes encode_row_stream(const PatternDesc& p) {
    if (p.raw_stream) return *p.raw_stream;
    const size_t rows = p.global.size();
    for (const auto& track : p.cells)
        if (track.size() != rows) writer_misuse("every track needs one cell per row");
    if (rows > 65535 || p.cells.size() > 255) writer_misuse("pattern too large for its fields");

    Bytes out;
    size_t global_skip = 0;
    std::vector<size_t> track_skip(p.cells.size(), 0);
    for (size_t row = 0; row < rows; ++row) {
        if (global_skip > 0) {
            --global_skip;
        } else {
            uint8_t run = empty_run_after(row, rows, p,
                                          [&](size_t r) { return p.global[r] == GlobalEffect{}; });
            put_global_entry(out, p.global[row], run);
            global_skip = run;
        }
        for (size_t t = 0; t < p.cells.size(); ++t) {
            if (track_skip[t] > 0) {
                --track_skip[t];
                continue;
            }
            const auto& track = p.cells[t];
            uint8_t run =
                empty_run_after(row, rows, p, [&](size_t r) { return is_empty(track[r]); });
            put_track_entry(out, track[row], run);
            track_skip[t] = run;
        }
    }
    return out;
}

Bytes encode_pattern(const PatternDesc& p) {
    Bytes stream = encode_row_stream(p);
    Bytes out;
    put_u8(out, p.track_count_field.value_or(p.track_count()));
    put_u8(out, p.beat_byte);
    put_u16(out, p.row_count_field.value_or(p.row_count()));
    put_u32(out,
            p.packed_size_field.value_or(static_cast<uint32_t>(stream.size() + p.slack.size())));
    put_bytes(out, stream);
    put_bytes(out, p.slack);
    return out;
}

}  // namespace tarnwick::writer
