// Plots through gnuplot: frame time per frame of every rank and, for shardfall, triangles/sec
// against triangles per frame.
#pragma once

#include <functional>
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

// gnuplot single-quoted text: a quote is written twice.
std::string quotedForGnuplot(const std::string& text);

// The terminal (by format, 1000 pixels wide), the output file, grid and key.
std::string plotHead(const std::string& output, PlotFormat format, int height);

std::string plotScript(const std::vector<PlotSeries>& series, const std::string& output,
                       PlotFormat format);

struct PlotDataFile {
    std::string name;  // inside the temporary folder
    std::string text;
};

// Writes the data files into a temporary folder and runs gnuplot (or $BENCHREPORT_GNUPLOT) on
// the script made for that folder; the error text when no plot was written.
std::optional<std::string> renderPlot(const std::vector<PlotDataFile>& data,
                                      const std::function<std::string(const std::string&)>& script,
                                      const std::string& output);

// The plot of one job's report.
std::optional<std::string> writePlot(const Report& report, const std::string& output);
