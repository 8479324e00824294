// The C library's maths called during a render return, in the vanilla edition as in the SSE
// edition, what they return outside it: in a 32-bit build they compute on the x87 unit and
// follow its precision control, which a render holds at single precision. The expected values
// are the same calls made outside any render.

#include "engine/float_precision.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tarnwick {
namespace {

// Arguments across the ranges the modulators (angles, 0 to 2 pi) and the voice's step
// (exponents, -2.1 to 4.2) hand over, made at run time so that the compiler does not compute
// the calls itself.
volatile double g_first_angle = 1.0e-3;
volatile double g_first_exponent = -2.1;

struct LibraryFunction {
    const char* name;
    double (*call)(double);
    double first;
    double last;
};

TEST(LibraryCall, SinAndExpInsideARenderReturnWhatTheyReturnOutsideIt) {
    const LibraryFunction functions[] = {
        {"sin", [](double x) { return std::sin(x); }, g_first_angle, 6.283185},
        {"exp", [](double x) { return std::exp(x); }, g_first_exponent, 4.2},
    };
    for (const LibraryFunction& f : functions) {
        int differing = 0;
        for (int i = 0; i < 400; ++i) {
            const double x = f.first + (f.last - f.first) * (static_cast<double>(i) / 399.0);
            const double outside = f.call(x);
            double inside;
            {
                const SinglePrecisionScope precision;
                inside = computed_by_library(f.call, x);
            }
            if (inside != outside && ++differing <= 5) {
                ADD_FAILURE() << f.name << "(" << x << "): " << inside << " in a render, "
                              << outside << " outside";
            }
        }
        EXPECT_EQ(differing, 0) << f.name;
    }
}

}  // namespace
}  // namespace tarnwick
