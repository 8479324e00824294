#pragma once
// The "SMPI" (sample descriptions) and "SMPD" (stored frames) chunks.
//
// Limits and choices:
// - A block never yields more frames than its bytes hold (see Sample::set_data), so a file
//   that claims long samples but stores little costs little memory.
// - When a later "SMPI" changes the length of a record that already has data, the data stays
//   and `stored_elements` is cut to the new `data_length`, so no reader goes past either.
// - A name or library name that cannot be stored is left null and the load goes on.

#include "loader/chunk_cursor.h"
#include "loader/load_refusal.h"

namespace tarnwick {

struct Module;

inline constexpr uint32_t kMaxSampleNameLength = 30;
inline constexpr uint32_t kLibraryNameLength = 8;
// The header version whose sample entries carry a library name.
inline constexpr uint32_t kLibraryNameVersion = 8;

LoadRefusal read_sample_info(Module& module, ChunkCursor& cursor);
LoadRefusal read_sample_data(Module& module, ChunkCursor& cursor);

}  // namespace tarnwick
