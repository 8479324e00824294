// The vanilla edition's x87 arithmetic rounds as the SSE edition's does where the precision
// control alone does not make it: products below float's normal range, the C library's maths
// called during a render, and volume ramps that decay into the subnormal range. Each expected
// value is worked out apart from the code under test: products by integer arithmetic on the
// significands, library results by calls made outside any render.

#include "engine/float_precision.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/track_player.h"
#include "tests/support/track_fixture.h"

namespace tarnwick {
namespace {

// a * b rounded to the nearest float (ties to even), subnormal results included, from the
// integer significands. For finite a and b whose product lies above 2^-160.
float exact_product(float a, float b) {
    const auto split = [](float x, uint64_t* significand, int* exponent) {
        const uint32_t bits = std::bit_cast<uint32_t>(x);
        const int field = static_cast<int>((bits >> 23) & 0xFF);
        *significand = (bits & 0x7FFFFFu) | (field != 0 ? 0x800000u : 0u);
        *exponent = (field != 0 ? field : 1) - 150;  // x = significand * 2^exponent
    };
    uint64_t ma, mb;
    int ea, eb;
    split(a, &ma, &ea);
    split(b, &mb, &eb);
    const uint64_t m = ma * mb;
    if (m == 0) return std::signbit(a) != std::signbit(b) ? -0.0f : 0.0f;
    const int e = ea + eb;
    const int top = 63 - std::countl_zero(m) + e;  // the leading bit's weight
    const int unit = std::max(top - 23, -149);     // the result's unit in the last place
    uint64_t q = m;
    if (unit > e) {
        const int drop = unit - e;
        const uint64_t rest = m & ((uint64_t{1} << drop) - 1);
        const uint64_t half = uint64_t{1} << (drop - 1);
        q = m >> drop;
        if (rest > half || (rest == half && (q & 1) != 0)) ++q;
    }
    const float magnitude = std::ldexp(static_cast<float>(q), std::max(unit, e));
    return std::signbit(a) != std::signbit(b) ? -magnitude : magnitude;
}

// The product as one x87 multiplication under the render's precision gives it: rounded to 24
// bits in the register, then again when stored.
[[gnu::noinline]] float register_product(float a, float b) {
    return settled(a * b);
}

// Pairs whose products fall below, around and just above FLT_MIN: a ramp's subnormal level
// times its coefficient, and two small normal floats.
std::vector<std::pair<float, float>> small_products() {
    std::vector<std::pair<float, float>> pairs;
    uint32_t seed = 20;
    const auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;  // 24 random bits
    };
    for (int i = 0; i < 4000; ++i) {
        const float coefficient = static_cast<float>(next() | 1u) * 0x1p-24f;  // in (0, 1)
        // A subnormal of 1 to 23 significant bits, and a normal float just above FLT_MIN.
        const uint32_t subnormal = ((next() | 0x800000u) >> (i % 23)) & 0x7FFFFFu;
        pairs.emplace_back(std::bit_cast<float>(subnormal), coefficient);
        pairs.emplace_back(std::bit_cast<float>(0x800000u | (next() & 0x7FFFFFu)), -coefficient);
        // Two small normal floats whose product lies between 2^-132 and 2^-124.
        const uint32_t a = ((60u + i % 7) << 23) | (next() & 0x7FFFFFu);  // 2^-67 to 2^-60
        const uint32_t b = (62u << 23) | (next() & 0x7FFFFFu);            // 2^-65 to 2^-64
        pairs.emplace_back(std::bit_cast<float>(a), std::bit_cast<float>(b));
    }
    pairs.emplace_back(FLT_MIN, 1.0f - 0x1p-24f);  // just below FLT_MIN
    pairs.emplace_back(FLT_MIN, 1.0f);
    pairs.emplace_back(0x1p-149f, 0.5f);  // a tie: to even, which is 0
    pairs.emplace_back(0x3p-149f, 0.5f);  // a tie: to even, 2^-148
    return pairs;
}

TEST(FloatProduct, ProductsBelowTheNormalRangeAreRoundedOnce) {
    const std::vector<std::pair<float, float>> pairs = small_products();
    std::vector<float> products(pairs.size());
    std::vector<float> twice_rounded(pairs.size());
    {
        const SinglePrecisionScope precision;
        for (size_t i = 0; i < pairs.size(); ++i) {
            products[i] = settled(float_product(pairs[i].first, pairs[i].second));
            twice_rounded[i] = register_product(pairs[i].first, pairs[i].second);
        }
    }
    size_t rounded_twice_differs = 0;
    for (size_t i = 0; i < pairs.size(); ++i) {
        const float expected = exact_product(pairs[i].first, pairs[i].second);
        EXPECT_EQ(std::bit_cast<uint32_t>(products[i]), std::bit_cast<uint32_t>(expected))
            << pairs[i].first << " * " << pairs[i].second;
        rounded_twice_differs += twice_rounded[i] != expected ? 1 : 0;
    }
    EXPECT_EQ(exact_product(0x1p-149f, 0.5f), 0.0f);
    EXPECT_EQ(exact_product(0x3p-149f, 0.5f), 0x1p-148f);
    if (TARNWICK_X87_PRECISION) {
        // The pairs reach the case float_product exists for.
        EXPECT_GT(rounded_twice_differs, 0u);
    }
}

// Arguments as the modulators (angles) and the voice's step (exponents) hand them over; read
// through volatile, so that the compiler does not compute the calls itself.
volatile double g_angles[] = {0.5, 1.0e-3, 0.7853981, 2.0943951, 3.1415926, 4.712389, 6.283185};
volatile double g_exponents[] = {-2.0794415, -0.6931472, -1.0e-7,  0.0,
                                 0.3465736,  1.3862944,  4.1588831};

TEST(LibraryCall, SinAndExpInsideARenderReturnWhatTheyReturnOutsideIt) {
    for (const volatile double& angle : g_angles) {
        const double x = angle;
        const double outside = std::sin(x);
        double inside;
        {
            const SinglePrecisionScope precision;
            inside = computed_by_library([](double a) { return std::sin(a); }, x);
        }
        EXPECT_EQ(inside, outside) << x;
    }
    for (const volatile double& exponent : g_exponents) {
        const double x = exponent;
        const double outside = std::exp(x);
        double inside;
        {
            const SinglePrecisionScope precision;
            inside = computed_by_library([](double e) { return std::exp(e); }, x);
        }
        EXPECT_EQ(inside, outside) << x;
    }
}

// A voice's output that a ramp brings to silence, frame by frame, each step as the SSE
// edition computes it: level + round(-level * c), c = (k / length)^2. (A float sum whose
// result is subnormal is exact; any other is rounded once by the store.)
std::vector<float> expected_fade(float level, uint32_t length) {
    std::vector<float> frames;
    for (uint32_t k = 1; k < length; ++k) {
        const float t = settled(static_cast<float>(k) / static_cast<float>(length));
        const float c = settled(t * t);
        level = settled(level + exact_product(-level, c));
        frames.push_back(level);
    }
    return frames;
}

struct RampCase {
    const char* name;
    bool sounding;  // a voice ramping to a gain of 0, or one that fell silent and fades out
    uint32_t length;
};

// Each ramp starts from a range of levels and is added to a frame that already holds another
// voice's fading tail, so that the frame shows the value the ramp hands on, bit for bit.
TEST(RampPrecision, RampsIntoTheSubnormalRangeRoundAsTheSseEdition) {
    const RampCase cases[] = {
        {"fade-out, light ramp at 48 kHz", false, 144},
        {"fade-out, heavy ramp at 48 kHz", false, 384},
        {"sounding voice ramped to gain 0, light", true, 144},
        {"sounding voice ramped to gain 0, heavy", true, 384},
    };
    constexpr uint32_t kFrames = 400;
    for (const RampCase& c : cases) {
        for (int i = 0; i < 24; ++i) {
            const float level = std::ldexp(1.0f + 0.37f * static_cast<float>(i % 5), -4 - i);
            SCOPED_TRACE(testing::Message() << c.name << ", from " << level);
            test::OneTrack t(1);
            const Sample& s = t.add_sample(std::vector<float>(600, 0.5f));
            t.sound(s, 0.75f);
            t.player.gain_left = 0.0f;
            t.player.note_on = c.sounding;
            t.player.out_left = level;
            t.player.ramp_length = c.length;
            t.player.ramp_counter = 1;

            std::vector<float> out(2 * kFrames);
            for (uint32_t k = 0; k < kFrames; ++k) {
                out[2 * k] = std::bit_cast<float>(0x80000000u | ((k * 40503u + 7u) & 0x3FFFFu));
            }
            const std::vector<float> before = out;
            {
                const SinglePrecisionScope precision;
                t.player.load_history();
                t.player.history_stale = false;
                t.player.mix_span(out.data(), kFrames);
            }
            const std::vector<float> fade = expected_fade(level, c.length);
            ASSERT_LT(fade.back(), FLT_MIN) << "the fade should end below the normal range";
            for (uint32_t k = 0; k < kFrames; ++k) {
                const float want = settled(before[2 * k] + (k < fade.size() ? fade[k] : 0.0f));
                ASSERT_EQ(std::bit_cast<uint32_t>(out[2 * k]), std::bit_cast<uint32_t>(want))
                    << "frame " << k << ": " << out[2 * k] << ", expected " << want;
            }
        }
    }
}

}  // namespace
}  // namespace tarnwick
