#include "number_fill.h"

#include <cmath>

// The hand-picked x86 paths rely on GCC's per-function target attributes and pragmas; any
// other compiler or architecture gets scalar SLEEF only.
#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__) && !defined(__clang__)
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
#else
#include <sleef.h>
#endif

#include <initializer_list>

namespace {

void fillSleefScalar(double* numbers, std::int64_t count) {
    for (std::int64_t i = 0; i < count; ++i) {
        const double x = static_cast<double>(i);
        const Sleef_double2 sc = Sleef_sincos_u10(x);
        numbers[i] = (sc.x + sc.y) * Sleef_tan_u10(x);
    }
}

#if NUMBER_FILL_X86

// Each vector path steps x by the lane count in double arithmetic; integers below 2^53 stay
// exact, so lane k always holds exactly (double)(i + k). Tails use masked or partial stores,
// so nothing past numbers[count - 1] is touched.

__attribute__((target("avx512f"))) inline __m512d termsAvx512(__m512d x) {
    const Sleef___m512d_2 sc = Sleef_sincosd8_u10avx512f(x);
    return _mm512_mul_pd(_mm512_add_pd(sc.x, sc.y), Sleef_tand8_u10avx512f(x));
}

__attribute__((target("avx512f"))) void fillAvx512(double* numbers, std::int64_t count) {
    const __m512d step = _mm512_set1_pd(8.0);
    __m512d x = _mm512_setr_pd(0.0, 1.0, 2.0, 3.0, 4.0, 5.0, 6.0, 7.0);
    std::int64_t i = 0;
    for (; i + 8 <= count; i += 8) {
        _mm512_storeu_pd(numbers + i, termsAvx512(x));
        x = _mm512_add_pd(x, step);
    }
    if (i < count) {
        const auto mask = static_cast<__mmask8>((1u << (count - i)) - 1u);
        _mm512_mask_storeu_pd(numbers + i, mask, termsAvx512(x));
    }
}

__attribute__((target("avx2,fma"))) inline __m256d termsAvx2(__m256d x) {
    const Sleef___m256d_2 sc = Sleef_sincosd4_u10avx2(x);
    return _mm256_mul_pd(_mm256_add_pd(sc.x, sc.y), Sleef_tand4_u10avx2(x));
}

__attribute__((target("avx2,fma"))) void fillAvx2(double* numbers, std::int64_t count) {
    const __m256d step = _mm256_set1_pd(4.0);
    __m256d x = _mm256_setr_pd(0.0, 1.0, 2.0, 3.0);
    std::int64_t i = 0;
    for (; i + 4 <= count; i += 4) {
        _mm256_storeu_pd(numbers + i, termsAvx2(x));
        x = _mm256_add_pd(x, step);
    }
    if (i < count) {
        // Lane k is stored when bit 63 of its mask element is set.
        const std::int64_t left = count - i;
        const __m256i mask = _mm256_setr_epi64x(left > 0 ? -1 : 0, left > 1 ? -1 : 0,
                                                left > 2 ? -1 : 0, 0);
        _mm256_maskstore_pd(numbers + i, mask, termsAvx2(x));
    }
}

inline __m128d termsSse2(__m128d x) {
    const Sleef___m128d_2 sc = Sleef_sincosd2_u10sse2(x);
    return _mm_mul_pd(_mm_add_pd(sc.x, sc.y), Sleef_tand2_u10sse2(x));
}

void fillSse2(double* numbers, std::int64_t count) {
    const __m128d step = _mm_set1_pd(2.0);
    __m128d x = _mm_setr_pd(0.0, 1.0);
    std::int64_t i = 0;
    for (; i + 2 <= count; i += 2) {
        _mm_storeu_pd(numbers + i, termsSse2(x));
        x = _mm_add_pd(x, step);
    }
    if (i < count) {
        _mm_store_sd(numbers + i, termsSse2(x));
    }
}

#endif  // NUMBER_FILL_X86

}  // namespace

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
    default: fillSleefScalar(numbers, count); return;
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
