// How many indices a frame draws, and the triangles it reports for them.
#pragma once

#include <cstdint>

// Largest index count that is drawn; one more ends the run.
inline constexpr std::int64_t ElementLimit = 67108864;

// Binet's n-th Fibonacci number, damped by the frames already counted, plus six per step.
double growthValue(std::int64_t angleStep, std::int64_t framesCounted);

// The growth value truncated to a count; 2^63 and more (infinity included) saturate, so that
// they count as above the limit.
std::int64_t elementCountFor(double growthValue);

// One triangle for every six indices of the batch.
std::int64_t trianglesForCount(std::int64_t elementCount);
