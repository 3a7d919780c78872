// Entry points of the fill kernel, one for each target it is compiled for. Each fills
// numbers[0, count) and touches nothing else; all give the same bytes. Only those of the
// targets that the build and the processor support may be called (see number_fill.cpp).
#pragma once

#include <cstdint>

void fillNumbersAvx512(double* numbers, std::int64_t count);
void fillNumbersAvx2(double* numbers, std::int64_t count);
void fillNumbersSse2(double* numbers, std::int64_t count);
void fillNumbersPortable(double* numbers, std::int64_t count);
