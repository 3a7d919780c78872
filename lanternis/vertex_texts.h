// lanternis's own report texts, for its writer and for readers of its results files.
#pragma once

#include <string_view>

#include "line_texts.h"

inline constexpr std::string_view lanternisBannerLine =
    "Velmora :: Parvolent Benchmark Graphics Lanternis for Windows on Mac Mx system 2023.03.06.";
inline constexpr std::string_view lanternisResultsPrefix = "results_lanternis_windows_mac_mx";

// The frame block's own lines, after the harness's head line.
inline constexpr LineText vertexFrameTimeText{"The system spent: ", " Secs. "};
inline constexpr LineText verticesRateText{"It was: ", " Vertex/sec."};
inline constexpr LineText averageVerticesText{"Average Vertex/Sec: ", " Vertex/Sec."};
