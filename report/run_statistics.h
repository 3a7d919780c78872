// Frame-time distribution and average rates of one rank, and the figures over the ranks of a job.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "results_parser.h"

// Percentiles use the nearest-rank method: the value at position ceil(p/100 * n) of the
// values sorted ascending (1-based). The median is the middle value, or the mean of the two
// middle values when n is even. The coefficient of variation uses the sample standard
// deviation (divisor n - 1).
struct Spread {
    std::size_t count = 0;
    double min = 0, median = 0, p95 = 0, p99 = 0, max = 0;
    double mean = 0;
    std::optional<double> stddev;  // needs two values
    std::optional<double> cv;      // stddev / mean; needs two values and a mean above 0
};

double nearestRank(const std::vector<double>& sorted, int percent);
double medianOf(const std::vector<double>& sorted);
// Values must be finite; absent for no values.
std::optional<Spread> spreadOf(std::vector<double> values);

struct RankFigures {
    std::size_t frames = 0;
    double totalTime = 0;  // sum of the frame times
    std::optional<double> firstFrameTime;
    std::optional<Spread> spread;  // frame times after the first (warm-up) frame
    double averageAngles = 0;      // frames / total time
    double averageRate = 0;        // triangles/sec or vertices/sec over the run
    bool ratesFromSummary = false;
    double trianglesTotal = 0;               // shardfall
    std::optional<double> verticesPerFrame;  // lanternis, from the printed rates and times
    std::vector<std::string> disagreements;  // summary against the frames
};

RankFigures rankFiguresOf(const ResultsRun& run);

// Whether two printed numbers (6 significant digits each) may stand for the same value.
bool agreesInPrint(double a, double b);

struct RateFigures {
    std::size_t count = 0;  // ranks with a finite rate
    double sum = 0, min = 0, median = 0, max = 0;
    std::optional<double> imbalance;  // max / min; absent when min is not above 0
    std::size_t slowest = 0;          // index into the rates given
};

// Over the finite rates only; absent when there is none.
std::optional<RateFigures> rateFiguresOf(const std::vector<double>& rates);
