// The plot of a comparison: both jobs on one figure. shardfall: triangles/s against triangles
// per frame; lanternis: the distribution (empirical CDF) of the frame times.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "job_comparison.h"
#include "plot.h"

struct ComparisonSeries {
    std::string title;     // "base rank 1 @ host"
    std::string dataFile;  // name in the plot's folder
    bool base = true;
};

// shardfall: triangles of the frame and its rate; lanternis: frame time and the fraction of
// frames at most that long. Measured frames after the first.
std::string comparisonData(const ResultsRun& run, bool byBatch);

std::string comparisonScript(const std::vector<ComparisonSeries>& series, bool byBatch,
                             const std::string& unit, const std::string& output,
                             PlotFormat format);

std::optional<std::string> writeComparisonPlot(const Report& base, const Report& next,
                                               const Comparison& comparison,
                                               const std::string& output);
