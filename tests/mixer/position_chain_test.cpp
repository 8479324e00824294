// The position chains of voices side by side (SSE edition) give, voice by voice, the positions
// of the advance as stated: fraction += step, and a whole part, truncated forward or floored
// backward, moves the frame. Fractions just below 1 and steps next to whole numbers are where
// a cheaper arithmetic would round differently. The SSE build runs this in four lanes and, where
// the processor has AVX2, in eight.

#include "mixer/position_chain.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

namespace tarnwick {
namespace {

struct Start {
    float fraction;
    float step;
};

// Every class's steps, with fractions from 0 to the float below 1.
std::vector<Start> starts() {
    const float fractions[] = {0.0f, 0x1p-24f, 0.5f, 0.99999988f, 0.99999994f};
    const float steps[] = {0.0f,        0x1p-24f,  0.173f,      0.99999994f, 1.0f,
                           1.00000012f, 1.5f,      2.99999976f, 3.0f,        37.25f,
                           65535.996f,  -0x1p-24f, -0.5f,       -0.99999994f};
    std::vector<Start> all;
    for (float s : steps) {
        for (float f : fractions) all.push_back({f, s});
    }
    return all;
}

TEST(PositionChains, EveryLaneAdvancesAsTheStatedArithmeticDoes) {
#if TARNWICK_EDITION_SSE
    const std::vector<Start> all = starts();
    // Full and partial passes, and windows that fill the lanes, leave partial vectors, or
    // hold a voice or two of a class.
    const uint32_t lengths[] = {1, 7, 9, kPassFrames};
    const size_t windows[] = {kWindowTracks, 9, 3};
    for (const uint32_t n : lengths) {
        for (const size_t window : windows) {
            for (size_t first = 0; first < all.size(); first += window) {
                const size_t count = std::min(window, all.size() - first);
                auto chains = std::make_unique<PositionChains>();
                std::vector<uint32_t> voice(count);
                for (size_t i = 0; i < count; ++i) {
                    const Start s = all[first + i];
                    ChainClass c;
                    ASSERT_TRUE(chain_class_of(s.fraction, s.step, &c));
                    voice[i] = chains->add(s.fraction, 1000u, s.step, c);
                }
                chains->run(n);
                for (size_t i = 0; i < count; ++i) {
                    const Start s = all[first + i];
                    const uint32_t lane = chains->lane(voice[i]);
                    float frac = s.fraction;
                    uint32_t pos = 1000u;
                    for (uint32_t k = 0; k <= n; ++k) {
                        ASSERT_EQ(chains->pos[k][lane], pos)
                            << s.fraction << " + " << s.step << " @" << k << " of " << n;
                        ASSERT_EQ(chains->frac[k][lane], frac)
                            << s.fraction << " + " << s.step << " @" << k << " of " << n;
                        frac += s.step;
                        if (frac >= 1.0f || frac < 0.0f) {
                            const float whole = frac >= 1.0f ? std::trunc(frac) : std::floor(frac);
                            pos += static_cast<uint32_t>(static_cast<int32_t>(whole));
                            frac -= whole;
                        }
                    }
                }
            }
        }
    }
#else
    GTEST_SKIP() << "the vanilla edition mixes every voice alone";
#endif
}

}  // namespace
}  // namespace tarnwick
