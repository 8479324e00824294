#include "loader/pattern_reader.h"

#include <array>
#include <new>

#include "loader/module.h"

namespace tarnwick {

namespace {

// Bits of a track entry's info byte, in the order their bytes follow it.
constexpr uint8_t kRepeatFollows = 0x80;
constexpr uint8_t kInstrumentFollows = 0x40;
constexpr uint8_t kNoteFollows = 0x20;
constexpr uint8_t kVolumeFollows = 0x10;
constexpr uint8_t kInstrumentEffectFollows = 0x08;
constexpr uint8_t kNoteEffectFollows = 0x04;
constexpr uint8_t kVolumeEffectFollows = 0x02;
constexpr uint8_t kGlobalEffectTypeMask = 0x3F;

constexpr uint32_t kPatternHeaderSize = 8;
// One stream entry covers its own row and up to 255 repeated rows.
constexpr uint32_t kRowsPerEntryAtMost = 256;

// Decodes one pattern's row stream; every read is bounded by the stream's window.
class RowStreamDecoder {
  public:
    RowStreamDecoder(Pattern& pattern, ChunkCursor& stream) : pattern_(pattern), stream_(stream) {}

    LoadRefusal decode() {
        for (uint32_t row = 0; row < pattern_.row_count; ++row) {
            uint8_t type = 0;
            uint8_t param = 0;
            if (!read_global_entry(type, param)) return LoadRefusal::pattern_stream_overrun;
            if (!pattern_.set_global(row, type, param)) return LoadRefusal::out_of_memory;
            for (uint32_t track = 0; track < pattern_.track_count; ++track) {
                Cell cell;
                if (!read_track_entry(track, cell)) return LoadRefusal::pattern_stream_overrun;
                if (!pattern_.set_cell(row, track, &cell)) return LoadRefusal::out_of_memory;
            }
        }
        return LoadRefusal::none;
    }

  private:
    bool read_global_entry(uint8_t& type, uint8_t& param) {
        if (global_repeat_ > 0) {
            --global_repeat_;
            return true;
        }
        uint8_t info = 0;
        if (!stream_.read_u8(info)) return false;
        if (info & kRepeatFollows) {
            uint8_t repeat = 0;
            if (!stream_.read_u8(repeat)) return false;
            global_repeat_ = repeat;
        }
        type = info & kGlobalEffectTypeMask;
        return type == 0 || stream_.read_u8(param);
    }

    bool read_track_entry(uint32_t track, Cell& cell) {
        if (track_repeat_[track] > 0) {
            --track_repeat_[track];
            return true;
        }
        uint8_t info = 0;
        if (!stream_.read_u8(info)) return false;
        bool ok = true;
        if (info & kRepeatFollows) {
            uint8_t repeat = 0;
            ok = ok && stream_.read_u8(repeat);
            track_repeat_[track] = repeat;
        }
        if (info & kInstrumentFollows) ok = ok && stream_.read_u8(cell.instrument);
        if (info & kNoteFollows) ok = ok && stream_.read_u8(cell.note);
        if (info & kVolumeFollows) ok = ok && stream_.read_u8(cell.volume);
        if (info & kInstrumentEffectFollows) {
            ok = ok && stream_.read_u8(cell.instrument_effect) &&
                 stream_.read_u8(cell.instrument_param);
        }
        if (info & kNoteEffectFollows) {
            ok = ok && stream_.read_u8(cell.note_effect) && stream_.read_u8(cell.note_param);
        }
        if (info & kVolumeEffectFollows) {
            ok = ok && stream_.read_u8(cell.volume_effect) && stream_.read_u8(cell.volume_param);
        }
        return ok;
    }

    Pattern& pattern_;
    ChunkCursor& stream_;
    uint32_t global_repeat_ = 0;
    std::array<uint32_t, 256> track_repeat_{};  // a pattern has at most 255 tracks
};

LoadRefusal read_pattern(Pattern& pattern, ChunkCursor& payload, PatternCellBudget& budget) {
    uint8_t tracks = 0;
    uint8_t beat_byte = 0;
    uint16_t rows = 0;
    uint32_t packed_size = 0;
    if (payload.remaining() < kPatternHeaderSize) return LoadRefusal::pattern_header_truncated;
    payload.read_u8(tracks);
    payload.read_u8(beat_byte);
    payload.read_u16(rows);
    payload.read_u32(packed_size);
    pattern.beat = beat_byte >> 4;
    if (payload.remaining() < packed_size) return LoadRefusal::pattern_stream_overrun;

    // A stream too short to reach the last row cannot be decoded; say so before allocating.
    if (rows > 0) {
        const uint64_t entries_per_track = (rows + kRowsPerEntryAtMost - 1) / kRowsPerEntryAtMost;
        if (packed_size < (uint64_t{tracks} + 1) * entries_per_track) {
            return LoadRefusal::pattern_stream_overrun;
        }
    }
    if (!budget.take(PatternCellBudget::cost(rows, tracks))) {
        return LoadRefusal::pattern_budget_exceeded;
    }
    if (!pattern.allocate(rows, tracks)) return LoadRefusal::out_of_memory;

    ChunkCursor stream = payload.window(packed_size);
    RowStreamDecoder decoder(pattern, stream);
    if (LoadRefusal r = decoder.decode(); r != LoadRefusal::none) return r;
    // The next pattern starts after the last byte the stream used, not after the packed size.
    payload.resume_at(stream);
    return LoadRefusal::none;
}

}  // namespace

uint64_t PatternCellBudget::cost(uint32_t rows, uint32_t tracks) {
    return uint64_t{rows} * tracks * sizeof(Cell) + uint64_t{rows} * 2 +
           uint64_t{tracks} * sizeof(std::unique_ptr<Cell[]>);
}

bool PatternCellBudget::take(uint64_t bytes) {
    if (bytes > left_) return false;
    left_ -= bytes;
    return true;
}

LoadRefusal read_patterns(Module& module, ChunkCursor& cursor, PatternCellBudget& budget) {
    uint32_t length = 0;
    if (LoadRefusal r = read_payload_length(cursor, length); r != LoadRefusal::none) return r;
    ChunkCursor payload = cursor.window(length);

    uint16_t count = 0;
    if (!payload.read_u16(count) || count == 0 || count > kMaxPatterns) {
        return LoadRefusal::pattern_count_invalid;
    }
    std::unique_ptr<Pattern[]> patterns(new (std::nothrow) Pattern[count]);
    if (!patterns) return LoadRefusal::out_of_memory;
    // Attached before decoding: a refusal below leaves the patterns read so far with the Module.
    module.patterns = std::move(patterns);
    module.pattern_count = count;

    uint8_t song_tracks = 0;
    if (!payload.read_u8(song_tracks)) return LoadRefusal::song_track_count_invalid;
    module.track_count = song_tracks;
    if (song_tracks > kMaxSongTracks) return LoadRefusal::song_track_count_invalid;

    for (uint32_t p = 0; p < count; ++p) {
        if (LoadRefusal r = read_pattern(module.patterns[p], payload, budget);
            r != LoadRefusal::none) {
            return r;
        }
    }
    cursor.resume_at(payload);
    return LoadRefusal::none;
}

LoadRefusal read_patterns(Module& module, ChunkCursor& cursor) {
    PatternCellBudget budget;
    return read_patterns(module, cursor, budget);
}

}  // namespace tarnwick
