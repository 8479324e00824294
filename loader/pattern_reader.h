#pragma once
// The "PATT" chunk: every pattern's packed row stream decoded into whole `Cell` arrays.
//
// Limits and choices:
// - A row stream never reads past its pattern's declared packed size, nor past the payload.
//   A stream that would cross that bound refuses the file (pattern_stream_overrun); the next
//   pattern, and after the last one the chunk walk, continue at the first byte the stream did
//   not consume, so packed-size slack is read as what follows.
// - Every stream entry covers at most 256 rows (its own and a repeat count of up to 255), so
//   a pattern of R rows and T tracks needs at least (T + 1) * ceil(R / 256) bytes. A pattern
//   whose packed size is smaller is refused before anything is allocated for it.
// - Cell budget: one load may hold at most `kPatternCellBudget` bytes of decoded pattern
//   storage (9 bytes per cell, 2 bytes per row for the global track, one pointer per track),
//   counted over every pattern allocated during the load; a second "PATT" chunk does not
//   reset the count. A pattern that would exceed it refuses the file like a failed
//   allocation (pattern_budget_exceeded). Real songs need a tiny fraction of it.

#include <cstdint>

#include "loader/chunk_cursor.h"
#include "loader/load_refusal.h"

namespace tarnwick {

struct Module;

inline constexpr uint32_t kMaxPatterns = 1024;
inline constexpr uint32_t kMaxSongTracks = 32;
inline constexpr uint64_t kPatternCellBudget = uint64_t{256} << 20;

// Decoded pattern bytes still available to one load.
class PatternCellBudget {
  public:
    explicit PatternCellBudget(uint64_t limit = kPatternCellBudget) : left_(limit) {}
    // The bytes that a pattern of `rows` rows and `tracks` tracks occupies once decoded.
    static uint64_t cost(uint32_t rows, uint32_t tracks);
    // Takes `bytes` from the budget; false (and nothing taken) when they are not left.
    bool take(uint64_t bytes);
    uint64_t left() const { return left_; }

  private:
    uint64_t left_;
};

LoadRefusal read_patterns(Module& module, ChunkCursor& cursor, PatternCellBudget& budget);
// The same with a budget of its own, for a chunk read on its own.
LoadRefusal read_patterns(Module& module, ChunkCursor& cursor);

}  // namespace tarnwick
