// The number buffer's fill: numbers[i] = (sin x + cos x) * tan x with x = (double)i. sin, cos
// and tan are each a double within 1 ulp; the sum is rounded, then the product. Every path
// writes the same bytes, numbers[0] is 0.0, and the buffer is written once in ascending order.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Ways the fill can run, fastest first.
enum class FillPath { Avx512, Avx2, Sse2, Portable };

inline constexpr FillPath allFillPaths[] = {FillPath::Avx512, FillPath::Avx2, FillPath::Sse2,
                                            FillPath::Portable};

// True when this build and this processor can run the path (Portable always can).
bool fillPathSupported(FillPath path);

// The fastest supported path.
FillPath bestFillPath();

// "avx512", "avx2", "sse2", "portable".
std::string_view fillPathName(FillPath path);

// The path of that name, if any.
std::optional<FillPath> fillPathNamed(std::string_view name);

// Fills numbers[0, count) through the path, which must be supported. Pages of the range that
// are not yet mapped in are mapped in first, in one request, rather than faulted in one by one.
void fillNumbers(double* numbers, std::int64_t count, FillPath path);

// The plain loop over the C library's sin, cos and tan: what the fill is measured against.
void fillNumbersCLibrary(double* numbers, std::int64_t count);

// The path a process uses when `requested` (the environment's value, or null) asks for one:
// a known, supported name gives that path; null or empty gives the best. Anything else gives
// the best path and a one-line warning that names the accepted values and the path used.
struct FillPathChoice {
    FillPath path;
    std::string warning;
};
FillPathChoice chooseFillPath(const char* requested, bool (*supported)(FillPath));

// The variable that chooseFillPath reads in the programs.
inline constexpr const char* FillPathVariable = "SHARDFALL_FILL_PATH";
