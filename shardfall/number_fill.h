#pragma once

#include <cstdint>

// Fills numbers[i] = (sin x + cos x) * tan x with x = (double)i for i in [0, count).
// The sum is formed first, then the product; each function is accurate to about 1 ulp.
// Single-threaded, writes the buffer once in ascending order, numbers[0] == 0.0.

// Vector path picked at run time for the processor in use.
void fillNumbers(double* numbers, std::int64_t count);

// Plain loop over std::sin / std::cos / std::tan: the reference the fast fill is held to.
void fillNumbersScalar(double* numbers, std::int64_t count);

// Best: what fillNumbers uses. Scalar: fillNumbersScalar (the fallback off x86 or off GCC).
enum class FillPath { Best, Avx512, Avx2, Sse2, Scalar };

// True when this processor and build can run the path (Best and Scalar always can).
bool fillPathSupported(FillPath path);

// Same fill through a chosen path; an unsupported path falls back to the best supported
// one rather than faulting, so callers that care check fillPathSupported first.
void fillNumbersWith(double* numbers, std::int64_t count, FillPath path);

// The path Best resolves to on this processor (never Best itself).
FillPath bestFillPath();

// Short lower-case name for reports: "avx512", "avx2", "sse2", "scalar", "best".
const char* fillPathName(FillPath path);
