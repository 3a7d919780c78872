// What shardfall gives the harness.
#pragma once

#include "harness.h"

extern const ProgramDescription shardfallDescription;
extern const Workload triangleWorkload;

// Said on the console when a frame's batch would pass the size limit.
inline constexpr const char* LimitLine = "It reaches limits, the program terminates.";
