#include "number_fill.h"

#include <cmath>
#include <initializer_list>

// The x86 paths rely on GCC's per-function target attributes; any other compiler or
// architecture gets the plain loop (scalar SLEEF measured well slower than the C library).
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define NUMBER_FILL_X86 1
#else
#define NUMBER_FILL_X86 0
#endif

#if NUMBER_FILL_X86
// sleef.h declares its AVX and AVX-512 entry points only when the file itself is compiled for
// those instruction sets, and GCC 12 does not update these macros for `#pragma GCC target` in
// C++. Pretend for the declarations alone, so the rest of this file stays baseline x86-64 and
// the choice is made at run time; the intrinsic headers come first, untouched.
#include <immintrin.h>
#ifndef __AVX__
#define __AVX__ 1
#define NUMBER_FILL_FAKED_AVX
#endif
#ifndef __AVX2__
#define __AVX2__ 1
#define NUMBER_FILL_FAKED_AVX2
#endif
#ifndef __AVX512F__
#define __AVX512F__ 1
#define NUMBER_FILL_FAKED_AVX512F
#endif
#include <sleef.h>
#ifdef NUMBER_FILL_FAKED_AVX
#undef __AVX__
#undef NUMBER_FILL_FAKED_AVX
#endif
#ifdef NUMBER_FILL_FAKED_AVX2
#undef __AVX2__
#undef NUMBER_FILL_FAKED_AVX2
#endif
#ifdef NUMBER_FILL_FAKED_AVX512F
#undef __AVX512F__
#undef NUMBER_FILL_FAKED_AVX512F
#endif

namespace {

// SLEEF's u10 trig functions take a much slower route once |x| >= 15, which is almost every
// element here. So the vector paths reduce x themselves to hi + lo = x - 2*pi*k, |hi| <= pi,
// call SLEEF on hi alone, and fold lo back in to first order (second order for tan, whose
// slope reaches 1e16 near its poles). With FMA the folding adds no rounding of its own: the
// sum and the product are each rounded once, exactly as in the plain formula.
//
// x is an integer below 2^26, so k < 2^24. 2*pi is split into twoPi1 (27 bits), twoPi2 (lowest
// bit 2^-47), twoPi3 (29 bits) and twoPi4: every k * twoPiN but the last is exact, and so is
// a = x - k*twoPi1 - k*twoPi2 (a multiple of 2^-47 below 4). The split holds about 133 bits of
// 2*pi; no such integer comes closer than about 1.2e-8 to a multiple of pi/2, so hi + lo is far
// more accurate than SLEEF itself. Nonzero x stays over 7e-8 away from a multiple of 2*pi while
// k*twoPi3 stays below 2.7e-9, so |a| >= |k*twoPi3| and Fast2Sum recovers the rounding error
// of a - k*twoPi3 exactly.
constexpr double inverseTwoPi = 0x1.45f306dc9c883p-3;
constexpr double twoPi1 = 0x1.921fb54p+2;
constexpr double twoPi2 = 0x1.10b46p-28;
constexpr double twoPi3 = 0x1.1a62633p-52;
constexpr double twoPi4 = 0x1.45c06e0e68948p-84;
// Adding and then subtracting 1.5 * 2^52 rounds to the nearest integer; any nearby k will do.
constexpr double roundingShifter = 0x1.8p52;

// Lane k of the running x vector always holds exactly (double)(i + k): stepping by the lane
// count stays exact for integers below 2^53. Tails use masked or partial stores, so nothing
// past numbers[count - 1] is touched.

__attribute__((target("avx512f"))) inline __m512d elementsAvx512(__m512d x) {
    const __m512d shifter = _mm512_set1_pd(roundingShifter);
    const __m512d k = _mm512_sub_pd(
        _mm512_fmadd_pd(x, _mm512_set1_pd(inverseTwoPi), shifter), shifter);
    const __m512d a = _mm512_fnmadd_pd(k, _mm512_set1_pd(twoPi2),
                                       _mm512_fnmadd_pd(k, _mm512_set1_pd(twoPi1), x));
    const __m512d b = _mm512_mul_pd(k, _mm512_set1_pd(twoPi3));
    const __m512d hi = _mm512_sub_pd(a, b);
    const __m512d lo = _mm512_fnmadd_pd(k, _mm512_set1_pd(twoPi4),
                                        _mm512_sub_pd(_mm512_sub_pd(a, hi), b));

    const Sleef___m512d_2 sc = Sleef_sincosd8_u10avx512f(hi);
    const __m512d t = Sleef_tand8_u10avx512f(hi);

    // sin + cos at hi + lo: the exact error of the leading sum plus lo * (cos - sin).
    const __m512d h = _mm512_add_pd(sc.x, sc.y);
    const __m512d v = _mm512_sub_pd(h, sc.x);
    const __m512d e = _mm512_add_pd(_mm512_sub_pd(sc.x, _mm512_sub_pd(h, v)),
                                    _mm512_sub_pd(sc.y, v));
    const __m512d sum = _mm512_add_pd(h, _mm512_fmadd_pd(lo, _mm512_sub_pd(sc.y, sc.x), e));

    // tan(hi + lo) = t + (1 + t^2) * lo * (1 + t * lo) + O(lo^3).
    const __m512d one = _mm512_set1_pd(1.0);
    const __m512d dt = _mm512_mul_pd(_mm512_mul_pd(_mm512_fmadd_pd(t, t, one), lo),
                                     _mm512_fmadd_pd(t, lo, one));
    return _mm512_fmadd_pd(sum, t, _mm512_mul_pd(sum, dt));
}

__attribute__((target("avx512f"))) void fillAvx512(double* numbers, std::int64_t count) {
    const __m512d step = _mm512_set1_pd(8.0);
    __m512d x = _mm512_setr_pd(0.0, 1.0, 2.0, 3.0, 4.0, 5.0, 6.0, 7.0);
    std::int64_t i = 0;
    for (; i + 8 <= count; i += 8) {
        _mm512_storeu_pd(numbers + i, elementsAvx512(x));
        x = _mm512_add_pd(x, step);
    }
    if (i < count) {
        const auto mask = static_cast<__mmask8>((1u << (count - i)) - 1u);
        _mm512_mask_storeu_pd(numbers + i, mask, elementsAvx512(x));
    }
}

// Same steps as elementsAvx512, four lanes wide.
__attribute__((target("avx2,fma"))) inline __m256d elementsAvx2(__m256d x) {
    const __m256d shifter = _mm256_set1_pd(roundingShifter);
    const __m256d k = _mm256_sub_pd(
        _mm256_fmadd_pd(x, _mm256_set1_pd(inverseTwoPi), shifter), shifter);
    const __m256d a = _mm256_fnmadd_pd(k, _mm256_set1_pd(twoPi2),
                                       _mm256_fnmadd_pd(k, _mm256_set1_pd(twoPi1), x));
    const __m256d b = _mm256_mul_pd(k, _mm256_set1_pd(twoPi3));
    const __m256d hi = _mm256_sub_pd(a, b);
    const __m256d lo = _mm256_fnmadd_pd(k, _mm256_set1_pd(twoPi4),
                                        _mm256_sub_pd(_mm256_sub_pd(a, hi), b));

    const Sleef___m256d_2 sc = Sleef_sincosd4_u10avx2(hi);
    const __m256d t = Sleef_tand4_u10avx2(hi);

    const __m256d h = _mm256_add_pd(sc.x, sc.y);
    const __m256d v = _mm256_sub_pd(h, sc.x);
    const __m256d e = _mm256_add_pd(_mm256_sub_pd(sc.x, _mm256_sub_pd(h, v)),
                                    _mm256_sub_pd(sc.y, v));
    const __m256d sum = _mm256_add_pd(h, _mm256_fmadd_pd(lo, _mm256_sub_pd(sc.y, sc.x), e));

    const __m256d one = _mm256_set1_pd(1.0);
    const __m256d dt = _mm256_mul_pd(_mm256_mul_pd(_mm256_fmadd_pd(t, t, one), lo),
                                     _mm256_fmadd_pd(t, lo, one));
    return _mm256_fmadd_pd(sum, t, _mm256_mul_pd(sum, dt));
}

__attribute__((target("avx2,fma"))) void fillAvx2(double* numbers, std::int64_t count) {
    const __m256d step = _mm256_set1_pd(4.0);
    __m256d x = _mm256_setr_pd(0.0, 1.0, 2.0, 3.0);
    std::int64_t i = 0;
    for (; i + 4 <= count; i += 4) {
        _mm256_storeu_pd(numbers + i, elementsAvx2(x));
        x = _mm256_add_pd(x, step);
    }
    if (i < count) {
        // Lane k is stored when bit 63 of its mask element is set.
        const std::int64_t left = count - i;
        const __m256i mask = _mm256_setr_epi64x(left > 0 ? -1 : 0, left > 1 ? -1 : 0,
                                                left > 2 ? -1 : 0, 0);
        _mm256_maskstore_pd(numbers + i, mask, elementsAvx2(x));
    }
}

// Two lanes and no FMA: the corrected tangent is rounded before the product, which can add
// half an ulp to it.
inline __m128d elementsSse2(__m128d x) {
    const __m128d shifter = _mm_set1_pd(roundingShifter);
    const __m128d k = _mm_sub_pd(
        _mm_add_pd(_mm_mul_pd(x, _mm_set1_pd(inverseTwoPi)), shifter), shifter);
    const __m128d a = _mm_sub_pd(_mm_sub_pd(x, _mm_mul_pd(k, _mm_set1_pd(twoPi1))),
                                 _mm_mul_pd(k, _mm_set1_pd(twoPi2)));
    const __m128d b = _mm_mul_pd(k, _mm_set1_pd(twoPi3));
    const __m128d hi = _mm_sub_pd(a, b);
    const __m128d lo = _mm_sub_pd(_mm_sub_pd(_mm_sub_pd(a, hi), b),
                                  _mm_mul_pd(k, _mm_set1_pd(twoPi4)));

    const Sleef___m128d_2 sc = Sleef_sincosd2_u10sse2(hi);
    const __m128d t = Sleef_tand2_u10sse2(hi);

    const __m128d h = _mm_add_pd(sc.x, sc.y);
    const __m128d v = _mm_sub_pd(h, sc.x);
    const __m128d e = _mm_add_pd(_mm_sub_pd(sc.x, _mm_sub_pd(h, v)), _mm_sub_pd(sc.y, v));
    const __m128d sum =
        _mm_add_pd(h, _mm_add_pd(_mm_mul_pd(lo, _mm_sub_pd(sc.y, sc.x)), e));

    const __m128d one = _mm_set1_pd(1.0);
    const __m128d dt = _mm_mul_pd(_mm_mul_pd(_mm_add_pd(_mm_mul_pd(t, t), one), lo),
                                  _mm_add_pd(_mm_mul_pd(t, lo), one));
    return _mm_mul_pd(sum, _mm_add_pd(t, dt));
}

void fillSse2(double* numbers, std::int64_t count) {
    const __m128d step = _mm_set1_pd(2.0);
    __m128d x = _mm_setr_pd(0.0, 1.0);
    std::int64_t i = 0;
    for (; i + 2 <= count; i += 2) {
        _mm_storeu_pd(numbers + i, elementsSse2(x));
        x = _mm_add_pd(x, step);
    }
    if (i < count) {
        _mm_store_sd(numbers + i, elementsSse2(x));
    }
}

}  // namespace

#endif  // NUMBER_FILL_X86

bool fillPathSupported(FillPath path) {
    switch (path) {
    case FillPath::Best:
    case FillPath::Scalar:
        return true;
#if NUMBER_FILL_X86
    case FillPath::Avx512:
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx512f");
    case FillPath::Avx2:
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    case FillPath::Sse2:
        return true;
#else
    case FillPath::Avx512:
    case FillPath::Avx2:
    case FillPath::Sse2:
        return false;
#endif
    }
    return false;
}

FillPath bestFillPath() {
    static const FillPath best = [] {
        for (FillPath path : {FillPath::Avx512, FillPath::Avx2, FillPath::Sse2}) {
            if (fillPathSupported(path)) {
                return path;
            }
        }
        return FillPath::Scalar;
    }();
    return best;
}

const char* fillPathName(FillPath path) {
    switch (path) {
    case FillPath::Best: return "best";
    case FillPath::Avx512: return "avx512";
    case FillPath::Avx2: return "avx2";
    case FillPath::Sse2: return "sse2";
    case FillPath::Scalar: return "scalar";
    }
    return "unknown";
}

void fillNumbersWith(double* numbers, std::int64_t count, FillPath path) {
    if (count <= 0) {
        return;
    }
    if (path == FillPath::Best || !fillPathSupported(path)) {
        path = bestFillPath();
    }
    switch (path) {
#if NUMBER_FILL_X86
    case FillPath::Avx512: fillAvx512(numbers, count); return;
    case FillPath::Avx2: fillAvx2(numbers, count); return;
    case FillPath::Sse2: fillSse2(numbers, count); return;
#endif
    default: fillNumbersScalar(numbers, count); return;
    }
}

void fillNumbers(double* numbers, std::int64_t count) {
    fillNumbersWith(numbers, count, FillPath::Best);
}

void fillNumbersScalar(double* numbers, std::int64_t count) {
    for (std::int64_t i = 0; i < count; ++i) {
        const double x = static_cast<double>(i);
        numbers[i] = (std::sin(x) + std::cos(x)) * std::tan(x);
    }
}
