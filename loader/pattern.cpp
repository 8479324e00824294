#include "loader/pattern.h"

#include <new>

namespace tarnwick {

bool Pattern::allocate(uint32_t rows, uint32_t tracks) {
    cells.reset();
    global_types.reset();
    global_params.reset();
    row_count = 0;
    track_count = 0;

    cells.reset(new (std::nothrow) std::unique_ptr<Cell[]>[tracks]);
    if (!cells) return false;
    track_count = tracks;
    row_count = rows;
    // A track whose array cannot be allocated stays null; set_cell refuses to store into it.
    for (uint32_t t = 0; t < tracks; ++t) {
        cells[t].reset(new (std::nothrow) Cell[rows]);
        if (!cells[t]) return false;
    }
    global_types.reset(new (std::nothrow) uint8_t[rows]());
    if (!global_types) return false;
    global_params.reset(new (std::nothrow) uint8_t[rows]());
    return global_params != nullptr;
}

bool Pattern::set_global(uint32_t row, uint8_t type, uint8_t param) {
    if (!global_types || !global_params || row >= row_count) return false;
    global_types[row] = type;
    global_params[row] = param;
    return true;
}

bool Pattern::set_cell(uint32_t row, uint32_t track, const Cell* cell) {
    if (cell == nullptr || !cells || row >= row_count || track >= track_count) return false;
    if (!cells[track]) return false;
    cells[track][row] = *cell;
    return true;
}

}  // namespace tarnwick
