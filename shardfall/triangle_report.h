// The lines the triangle workload adds to a frame report and to the run summary.
#pragma once

#include <cstdint>
#include <string>

#include "harness.h"

FrameLines triangleFrameLines(std::int64_t trianglesThisFrame, double frameTime,
                              double trianglesPerSec);
std::string triangleSummaryLine(std::int64_t trianglesTotal, double totalTime);
