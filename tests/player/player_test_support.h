#pragma once
// Shared set-up for the track player tests: samples described by their frame counts only
// (these tests never read frames), a sample list filled in place, and a player standing on
// a row of an in-test track, so that effects can be driven tick by tick without a pattern
// or a scheduler.

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

#include "engine/track_player.h"
#include "loader/pattern.h"
#include "loader/sample.h"

namespace tarnwick::test {

inline std::unique_ptr<Sample> make_sample(uint32_t length, float base_rate = 8363.0f,
                                           float volume = 0.0f, uint32_t loop_start = 0,
                                           uint32_t loop_end = 0) {
    auto s = std::make_unique<Sample>();
    s->length = length;
    s->data_length = length + 2;
    s->base_rate = base_rate;
    s->volume = volume;
    s->loop_start = loop_start;
    s->loop_end = loop_end;
    return s;
}

// Reaches the list's storage the way an explicit instantiation may (access is not checked
// for the arguments of an explicit instantiation), so these tests need no list-building code.
struct SampleListItemsTag {
    using type = std::unique_ptr<std::unique_ptr<Sample>[]> SampleList::*;
    friend type member_of(SampleListItemsTag);
};
struct SampleListCountTag {
    using type = uint32_t SampleList::*;
    friend type member_of(SampleListCountTag);
};
template <typename Tag, typename Tag::type Member>
struct GrantMember {
    friend typename Tag::type member_of(Tag) { return Member; }
};
template struct GrantMember<SampleListItemsTag, &SampleList::items_>;
template struct GrantMember<SampleListCountTag, &SampleList::count_>;

// Fills `list` with the given entries in order; a null entry stays an empty slot.
inline void fill_sample_list(SampleList& list, std::vector<std::unique_ptr<Sample>> entries) {
    const auto n = static_cast<uint32_t>(entries.size());
    auto items = std::make_unique<std::unique_ptr<Sample>[]>(n);
    for (uint32_t i = 0; i < n; ++i) items[i] = std::move(entries[i]);
    list.*member_of(SampleListItemsTag{}) = std::move(items);
    list.*member_of(SampleListCountTag{}) = n;
}

// A player on row `row` of an in-test track of `rows` cells.
struct PlayerOnTrack {
    std::vector<Cell> cells;
    std::vector<uint8_t> global_types;
    std::vector<uint8_t> global_params;
    TrackPlayer player;

    explicit PlayerOnTrack(std::initializer_list<Cell> rows) : cells(rows) {
        global_types.assign(cells.size(), 0);
        global_params.assign(cells.size(), 0);
        player.cells = cells.data();
        player.global_types = global_types.data();
        player.global_params = global_params.data();
        player.row_count = static_cast<uint32_t>(cells.size());
        player.row = 0;
        player.row_pos = 0.0f;
    }

    // Applies the cell at the start of tick `tick` (0..3) of the current row.
    void tick(int tick) {
        player.row_pos = 64.0f * static_cast<float>(tick);
        player.apply_cell();
    }
    // All four ticks of the current row.
    void play_row() {
        for (int t = 0; t < 4; ++t) tick(t);
    }
    void next_row() {
        player.row += 1;
        player.row_pos = 0.0f;
    }
};

// A cell built field by field: Cell{} with designated initialisers reads best in tables.
inline Cell instrument_fx(uint8_t type, uint8_t param) {
    Cell c;
    c.instrument_effect = type;
    c.instrument_param = param;
    return c;
}
inline Cell note_fx(uint8_t type, uint8_t param) {
    Cell c;
    c.note_effect = type;
    c.note_param = param;
    return c;
}
inline Cell volume_fx(uint8_t type, uint8_t param) {
    Cell c;
    c.volume_effect = type;
    c.volume_param = param;
    return c;
}

// The step a voice of base rate `base_rate` has at `pitch` pitch units.
inline double expected_step(double pitch, double base_rate, double output_rate) {
    return std::exp2(pitch / 192.0 - 3.0) * base_rate / output_rate;
}

}  // namespace tarnwick::test
