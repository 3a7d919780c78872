// shardfall's own report texts, for its writer and for readers of its results files.
#pragma once

#include <string_view>

#include "line_texts.h"

inline constexpr std::string_view shardfallBannerLine =
    "Velmora :: Parvolent Benchmark Graphics Shardfall for Windows on Mac Mx system 2023.03.06.";
inline constexpr std::string_view shardfallResultsPrefix = "results_shardfall_windows_mac_mx";

// The frame block's own lines, after the harness's head line.
inline constexpr LineText trianglesDrawnText{"It drew ", " Triangles."};
inline constexpr LineText triangleFrameTimeText{"It spent: ", " Secs. "};
inline constexpr LineText trianglesRateText{"It was: ", " Triangles/sec."};
inline constexpr LineText averageTrianglesText{"Average Triangles/Sec: ", " Triangles/Sec."};
