#pragma once
// Songs built in memory, without a DMF file: patterns, orders and samples put straight into a
// Module, for the sequencer tests.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "loader/module.h"
#include "tests/support/track_fixture.h"

namespace tarnwick::test {

struct PatternShape {
    uint32_t rows;
    uint32_t tracks;
};

// A module with the given patterns (all cells empty), order list and one looping sample of
// constant value 0.5 (base rate 8363 Hz). Players render at 48000 Hz without ramps.
inline void build_song(Module& m, const std::vector<PatternShape>& shapes,
                       const std::vector<uint16_t>& order_list) {
    m.patterns.reset(new Pattern[shapes.size()]);
    m.pattern_count = static_cast<uint32_t>(shapes.size());
    for (size_t i = 0; i < shapes.size(); ++i)
        m.patterns[i].allocate(shapes[i].rows, shapes[i].tracks);
    m.orders.reset(new uint16_t[order_list.size() + 1]);
    for (size_t i = 0; i < order_list.size(); ++i) m.orders[i] = order_list[i];
    m.order_count = static_cast<uint32_t>(order_list.size());
    m.samples.resize(1);
    Sample& s = *m.samples.at(0);
    fill_sample(s, std::vector<float>(64, 0.5f));
    s.base_rate = 8363.0f;
    s.loop_start = 0;
    s.loop_end = 63;
    m.set_output_rate(48000);
    m.set_ramping(false);
}

inline void put_cell(Module& m, uint32_t pattern, uint32_t row, uint32_t track, const Cell& c) {
    m.patterns[pattern].set_cell(row, track, &c);
}

inline Cell note(uint8_t n, uint8_t instrument = 1) {
    Cell c;
    c.note = n;
    c.instrument = instrument;
    return c;
}

// Renders the whole song in calls of `block` frames (at most `limit` frames in all).
inline std::vector<float> render_all(Module& m, uint32_t block, uint32_t limit = 1u << 22) {
    std::vector<float> out;
    std::vector<float> buffer(2 * static_cast<size_t>(block));
    while (out.size() / 2 < limit) {
        std::fill(buffer.begin(), buffer.end(), 0.0f);
        const int32_t n = m.render(buffer.data(), block);
        if (n <= 0) break;
        out.insert(out.end(), buffer.begin(), buffer.begin() + 2 * n);
    }
    return out;
}

}  // namespace tarnwick::test
