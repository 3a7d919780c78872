// Plots through gnuplot: frame time per frame of every rank and, for shardfall, triangles/sec
// against triangles per frame.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "job_report.h"

enum class PlotFormat { Svg, Png };

// From the output file's extension; absent for any other.
std::optional<PlotFormat> plotFormatOf(const std::string& path);

struct PlotSeries {
    std::string title;
    std::string dataFile;
    bool shardfall = false;
    std::size_t frames = 0;
};

// Columns: frame number, frame time, triangles of the frame, printed rate.
std::string plotData(const ResultsRun& run);

std::string plotScript(const std::vector<PlotSeries>& series, const std::string& output,
                       PlotFormat format);

// Runs gnuplot (or $BENCHREPORT_GNUPLOT) on a script and data in a temporary folder; the
// error text when no plot was written.
std::optional<std::string> writePlot(const Report& report, const std::string& output);
