// The fill's inner loop, written once for every vector width. The build compiles this file
// once per target (-DNUMBER_FILL_TARGET_<NAME>, with that target's instruction-set flags and
// -ffp-contract=off); each copy defines one entry point of number_fill_kernel.h and nothing
// else with outside linkage, so no code built for a wider instruction set can leak into the
// rest of the program.
//
// Every copy must produce the same bytes. It does, because each lane runs the same sequence of
// correctly rounded additions, subtractions and multiplications (no fused multiply-add, which
// would round once instead of twice), and SLEEF's "cinz" functions, which promise the same
// result on every instruction set.
#include <cstdint>
#include <cstring>

#include <sleef.h>

#include "number_fill_kernel.h"

#if !defined(NUMBER_FILL_TARGET_PORTABLE)
#include <immintrin.h>
#endif

namespace {

#if defined(NUMBER_FILL_TARGET_AVX512)
#define NUMBER_FILL_ENTRY fillNumbersAvx512
struct Lanes {
    using Vector = __m512d;
    static constexpr int width = 8;
    static Vector splat(double d) { return _mm512_set1_pd(d); }
    static Vector first() { return _mm512_setr_pd(0.0, 1.0, 2.0, 3.0, 4.0, 5.0, 6.0, 7.0); }
    static Vector add(Vector a, Vector b) { return _mm512_add_pd(a, b); }
    static Vector sub(Vector a, Vector b) { return _mm512_sub_pd(a, b); }
    static Vector mul(Vector a, Vector b) { return _mm512_mul_pd(a, b); }
    static void store(double* to, Vector v) { _mm512_storeu_pd(to, v); }
    static Sleef___m512d_2 sincos(Vector v) { return Sleef_cinz_sincosd8_u10avx512fnofma(v); }
    static Vector tan(Vector v) { return Sleef_cinz_tand8_u10avx512fnofma(v); }
};
#elif defined(NUMBER_FILL_TARGET_AVX2)
#define NUMBER_FILL_ENTRY fillNumbersAvx2
struct Lanes {
    using Vector = __m256d;
    static constexpr int width = 4;
    static Vector splat(double d) { return _mm256_set1_pd(d); }
    static Vector first() { return _mm256_setr_pd(0.0, 1.0, 2.0, 3.0); }
    static Vector add(Vector a, Vector b) { return _mm256_add_pd(a, b); }
    static Vector sub(Vector a, Vector b) { return _mm256_sub_pd(a, b); }
    static Vector mul(Vector a, Vector b) { return _mm256_mul_pd(a, b); }
    static void store(double* to, Vector v) { _mm256_storeu_pd(to, v); }
    // SLEEF's 256-bit cinz functions need AVX only; the path asks for AVX2.
    static Sleef___m256d_2 sincos(Vector v) { return Sleef_cinz_sincosd4_u10avx(v); }
    static Vector tan(Vector v) { return Sleef_cinz_tand4_u10avx(v); }
};
#elif defined(NUMBER_FILL_TARGET_SSE2)
#define NUMBER_FILL_ENTRY fillNumbersSse2
struct Lanes {
    using Vector = __m128d;
    static constexpr int width = 2;
    static Vector splat(double d) { return _mm_set1_pd(d); }
    static Vector first() { return _mm_setr_pd(0.0, 1.0); }
    static Vector add(Vector a, Vector b) { return _mm_add_pd(a, b); }
    static Vector sub(Vector a, Vector b) { return _mm_sub_pd(a, b); }
    static Vector mul(Vector a, Vector b) { return _mm_mul_pd(a, b); }
    static void store(double* to, Vector v) { _mm_storeu_pd(to, v); }
    static Sleef___m128d_2 sincos(Vector v) { return Sleef_cinz_sincosd2_u10sse2(v); }
    static Vector tan(Vector v) { return Sleef_cinz_tand2_u10sse2(v); }
};
#elif defined(NUMBER_FILL_TARGET_PORTABLE)
#define NUMBER_FILL_ENTRY fillNumbersPortable
struct Lanes {
    using Vector = double;
    static constexpr int width = 1;
    static Vector splat(double d) { return d; }
    static Vector first() { return 0.0; }
    static Vector add(Vector a, Vector b) { return a + b; }
    static Vector sub(Vector a, Vector b) { return a - b; }
    static Vector mul(Vector a, Vector b) { return a * b; }
    static void store(double* to, Vector v) { *to = v; }
    static Sleef_double_2 sincos(Vector v) { return Sleef_cinz_sincosd1_u10purec(v); }
    static Vector tan(Vector v) { return Sleef_cinz_tand1_u10purec(v); }
};
#else
#error "compile with one of -DNUMBER_FILL_TARGET_AVX512, _AVX2, _SSE2, _PORTABLE"
#endif

using Vector = Lanes::Vector;

// SLEEF's accurate functions take a far slower route once |x| >= 15, which is almost every
// element here, so x is first reduced to hi + lo = x - 2*pi*k, |hi| <= pi. x is an integer
// below 2^26, so k < 2^24. 2*pi is split into twoPi1 (27 bits), twoPi2 (lowest bit 2^-47),
// twoPi3 (29 bits) and twoPi4: k*twoPi1 and k*twoPi2 are exact, and so is
// a = x - k*twoPi1 - k*twoPi2 (a multiple of 2^-47 below 4). No such integer comes closer than
// about 1.2e-8 to a multiple of pi/2, so |a| stays above |k*twoPi3| and the two-sum recovers
// the rounding error of a - k*twoPi3 exactly; hi + lo then holds x - 2*pi*k to about 2^-100.
constexpr double inverseTwoPi = 0x1.45f306dc9c883p-3;
constexpr double twoPi1 = 0x1.921fb54p+2;
constexpr double twoPi2 = 0x1.10b46p-28;
constexpr double twoPi3 = 0x1.1a62633p-52;
constexpr double twoPi4 = 0x1.45c06e0e68948p-84;
// Adding and then subtracting 1.5 * 2^52 rounds to the nearest integer; any nearby k will do.
constexpr double roundingShifter = 0x1.8p52;

// (sin x + cos x) * tan x for every lane of x. sin, cos and tan are each rounded to a double
// first; then the sum is rounded, then the product. lo is folded into each function to first
// order (second order for tan, whose slope reaches 1e16 near its poles).
inline __attribute__((always_inline)) Vector elements(Vector x) {
    const Vector shifter = Lanes::splat(roundingShifter);
    const Vector k = Lanes::sub(
        Lanes::add(Lanes::mul(x, Lanes::splat(inverseTwoPi)), shifter), shifter);
    const Vector a = Lanes::sub(Lanes::sub(x, Lanes::mul(k, Lanes::splat(twoPi1))),
                                Lanes::mul(k, Lanes::splat(twoPi2)));
    const Vector b = Lanes::mul(k, Lanes::splat(twoPi3));
    const Vector hi = Lanes::sub(a, b);
    const Vector lo = Lanes::sub(Lanes::sub(Lanes::sub(a, hi), b),
                                 Lanes::mul(k, Lanes::splat(twoPi4)));

    const auto sinCosHi = Lanes::sincos(hi);
    const Vector tanHi = Lanes::tan(hi);
    const Vector one = Lanes::splat(1.0);

    // sin(hi + lo) = sin hi + lo * cos hi;  cos(hi + lo) = cos hi - lo * sin hi.
    const Vector s = Lanes::add(sinCosHi.x, Lanes::mul(lo, sinCosHi.y));
    const Vector c = Lanes::sub(sinCosHi.y, Lanes::mul(lo, sinCosHi.x));
    // tan(hi + lo) = t + (1 + t^2) * lo * (1 + t * lo) + O(lo^3).
    const Vector slope = Lanes::add(Lanes::mul(tanHi, tanHi), one);
    const Vector t = Lanes::add(
        tanHi, Lanes::mul(Lanes::mul(slope, lo), Lanes::add(Lanes::mul(tanHi, lo), one)));
    return Lanes::mul(Lanes::add(s, c), t);
}

}  // namespace

// Lane j of x always holds exactly (double)(i + j): stepping by the width stays exact for
// integers below 2^53. The tail is computed whole and only its first lanes are copied, so
// nothing past numbers[count - 1] is written.
void NUMBER_FILL_ENTRY(double* numbers, std::int64_t count) {
    const Vector step = Lanes::splat(Lanes::width);
    Vector x = Lanes::first();
    std::int64_t i = 0;
    for (; i + Lanes::width <= count; i += Lanes::width) {
        Lanes::store(numbers + i, elements(x));
        x = Lanes::add(x, step);
    }
    if (i < count) {
        double tail[Lanes::width];
        Lanes::store(tail, elements(x));
        std::memcpy(numbers + i, tail, static_cast<std::size_t>(count - i) * sizeof(double));
    }
}
