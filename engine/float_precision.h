#pragma once
// The precision the engine's arithmetic runs at, the same in both editions.
//
// The engine's values are 32-bit floats, and a few computations are done in double. The SSE
// edition rounds every operation to its type. The vanilla edition computes on the x87 unit,
// whose registers carry 64-bit mantissas: a float that stays in a register between
// operations (the read position's fraction over a span, a position before a ceil, an event
// time before a comparison) keeps bits a float does not have, and a last-bit difference then
// grows into spans and events that move by whole frames.
//
// So in the vanilla edition the x87 precision control is set to 24 bits for the whole of a
// render or length scan (`SinglePrecisionScope`), which makes every x87 result a float result,
// and to 53 bits around the few computations done in double (`computed_in_double`). Setting
// the control word costs a few cycles per scope, 1-4% of the vanilla edition's render time in
// all (bench: EditionRender); rounding every float through memory instead (-ffloat-store)
// was measured at 1.4-2.3 times the render time.
//
// The limit of precision control: it rounds the mantissa only. An x87 register keeps its wide
// exponent range, so a result below float's normal range (1.2e-38) is not made subnormal until
// it is stored, and a result beyond float's range is not made infinite until then. The engine
// stays far from both ends: its smallest non-zero magnitudes are 8- or 16-bit sample quanta
// times gains times fractions no smaller than the smallest step a song can reach (about 1e-8),
// the volume ramps' decay toward silence is flushed to 0 below 2^-100 (mixer/ramp.h), and its
// largest values are frame counts and positions below 2^33. Values converted from
// double to float are rounded by `round_to_float`, which stores them as floats: precision
// control rounds results, not the values an operation reads.
//
// The C library's `sin` and `exp`, on the render path, need a precision of their own. On
// x86-64 they compute with SSE and ignore the control word. In a 32-bit build they compute on
// the x87 unit, so they follow it, and their code is written for the precision a program
// starts with (64 bits on Linux; 53 in a Windows host built with MSVC). Called inside the
// single-precision scope, the 32-bit library's `sin` was measured (under qemu-i386) to return
// another float than the x86-64 library's for 55% of the modulators' angles; its `exp`, even
// at 53 bits, another double for 28% of the pitches' exponents. At the starting precision both
// differ from the x86-64 library's in the last bit of fewer than 1 result in 1,000, and never
// as floats (200,000 arguments each). So each such call goes through `computed_by_library`,
// which holds the starting precision around the call alone and stores its result as a double;
// the arithmetic around it stays in `computed_in_double`.
//
// Callers of the engine need not know any of this: the scopes restore the control word they
// found, on every way out. In the SSE edition everything here compiles to nothing.

#include <cstdint>

#if !TARNWICK_EDITION_SSE && defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define TARNWICK_X87_PRECISION 1
#else
#define TARNWICK_X87_PRECISION 0
#endif

namespace tarnwick {

namespace x87 {
constexpr uint16_t kPrecisionMask = 0x0300;  // precision control, bits 8 and 9
constexpr uint16_t kSingle = 0x0000;         // 24-bit mantissa
constexpr uint16_t kDouble = 0x0200;         // 53-bit mantissa
constexpr uint16_t kExtended = 0x0300;       // 64-bit mantissa
// The precision a program starts with, which the C library's x87 code is written for (on
// Windows, an MSVC-built host's).
#if defined(_WIN32)
constexpr uint16_t kLibrary = kDouble;
#else
constexpr uint16_t kLibrary = kExtended;
#endif
}  // namespace x87

#if TARNWICK_X87_PRECISION

namespace x87 {

inline uint16_t control_word() {
    uint16_t word;
    asm volatile("fnstcw %0" : "=m"(word)::"memory");
    return word;
}
// The memory clobber keeps the compiler from moving loads and stores across the change.
inline void set_control_word(uint16_t word) {
    asm volatile("fldcw %0" ::"m"(word) : "memory");
}
}  // namespace x87

// Holds the x87 unit at a precision for the scope's lifetime, then restores the caller's.
template <uint16_t kPrecision>
class PrecisionScope {
  public:
    PrecisionScope() : saved_(x87::control_word()) {
        x87::set_control_word(static_cast<uint16_t>((saved_ & ~x87::kPrecisionMask) | kPrecision));
    }
    ~PrecisionScope() { x87::set_control_word(saved_); }
    PrecisionScope(const PrecisionScope&) = delete;
    PrecisionScope& operator=(const PrecisionScope&) = delete;

  private:
    uint16_t saved_;
};

// Makes the value exist in memory, as its type, at this point of the program: it cannot be
// computed after a later change of the control word, nor carry a register's extra bits.
template <typename T>
inline T settled(T value) {
    asm volatile("" : "+m"(value));
    return value;
}

#else

template <uint16_t kPrecision>
class PrecisionScope {
  public:
    PrecisionScope() {}  // user-provided, so that a scope object is not "unused"
    ~PrecisionScope() {}
    PrecisionScope(const PrecisionScope&) = delete;
    PrecisionScope& operator=(const PrecisionScope&) = delete;
};

template <typename T>
inline T settled(T value) {
    return value;
}

#endif

// The precision of the engine's float arithmetic, for a render or a length scan.
using SinglePrecisionScope = PrecisionScope<x87::kSingle>;

// Runs `compute` (returning double) with double-precision arithmetic and returns its result.
template <typename Compute>
inline double computed_in_double(Compute compute) {
    const PrecisionScope<x87::kDouble> scope;
    return settled(static_cast<double>(compute()));
}

// function(x), where `function` calls one function of the C library's maths (`std::sin`,
// `std::exp`) and does nothing else, at the precision that library is written for. `x` is
// read from memory inside the scope: qemu-i386 (7.2) rounds a double that is loaded under
// single precision, which an x87 unit does not, and the emulated tests would see that.
template <typename Function>
inline double computed_by_library(Function function, double x) {
    const PrecisionScope<x87::kLibrary> scope;
    return settled(static_cast<double>(function(settled(x))));
}

// A double rounded to float, as a store to a float rounds it.
inline float round_to_float(double x) {
    return settled(static_cast<float>(x));
}

}  // namespace tarnwick
