// The one block of numbers that serves as colour, vertex, normal and index data.
#pragma once

#include <cstdint>

inline constexpr std::int64_t NumberCount = 67108864;

// Allocated before main in every process and never freed; filled by the scene preparation.
extern double* const numberBuffer;
