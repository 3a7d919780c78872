#include "run_statistics.h"

#include <algorithm>
#include <cmath>
#include <limits>

double nearestRank(const std::vector<double>& sorted, int percent) {
    const std::size_t n = sorted.size();
    std::size_t position = (static_cast<std::size_t>(percent) * n + 99) / 100;
    position = std::clamp<std::size_t>(position, 1, n);
    return sorted[position - 1];
}

double medianOf(const std::vector<double>& sorted) {
    const std::size_t n = sorted.size();
    if (n % 2 == 1) return sorted[n / 2];
    return (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
}

std::optional<Spread> spreadOf(std::vector<double> values) {
    if (values.empty()) return std::nullopt;
    std::sort(values.begin(), values.end());
    Spread s;
    s.count = values.size();
    s.min = values.front();
    s.max = values.back();
    s.median = medianOf(values);
    s.p95 = nearestRank(values, 95);
    s.p99 = nearestRank(values, 99);
    double sum = 0;
    for (double v : values) sum += v;
    s.mean = sum / static_cast<double>(s.count);
    if (s.count >= 2) {
        double squares = 0;
        for (double v : values) squares += (v - s.mean) * (v - s.mean);
        s.stddev = std::sqrt(squares / static_cast<double>(s.count - 1));
        if (s.mean > 0) s.cv = *s.stddev / s.mean;
    }
    return s;
}

bool agreesInPrint(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
    if (std::isinf(a) || std::isinf(b)) return a == b;
    // Each side is off by at most half a unit in its sixth digit.
    return std::fabs(a - b) <= 1e-5 * std::max(std::fabs(a), std::fabs(b)) + 1e-300;
}

namespace {

// Each printed rate times its printed time gives the points of one frame, up to rounding;
// the true count is a power of two.
std::optional<double> verticesPerFrameOf(const std::vector<FrameBlock>& frames) {
    for (const FrameBlock& frame : frames) {
        const double estimate = frame.rate * frame.frameTime;
        if (!std::isfinite(estimate) || estimate < 1 || estimate > 1e300) continue;
        const double power = std::exp2(std::round(std::log2(estimate)));
        return std::fabs(estimate - power) <= 1e-4 * power ? power : std::round(estimate);
    }
    return std::nullopt;
}

std::string formatCount(double value) {
    if (std::fabs(value) > 1e15) return asPrinted(value);
    return std::to_string(static_cast<long long>(std::llround(value)));
}

}  // namespace

RankFigures rankFiguresOf(const ResultsRun& run) {
    RankFigures f;
    f.frames = run.frames.size();
    std::vector<double> rest;
    for (std::size_t i = 0; i < run.frames.size(); ++i) {
        const FrameBlock& frame = run.frames[i];
        f.totalTime += frame.frameTime;
        f.trianglesTotal += static_cast<double>(frame.triangles);
        if (i > 0) rest.push_back(frame.frameTime);
    }
    if (!run.frames.empty()) f.firstFrameTime = run.frames.front().frameTime;
    f.spread = spreadOf(std::move(rest));
    if (run.program == Program::Lanternis) f.verticesPerFrame = verticesPerFrameOf(run.frames);

    const double frames = static_cast<double>(f.frames);
    if (run.summary) {
        f.ratesFromSummary = true;
        f.averageAngles = run.summary->averageAngles;
        f.averageRate = run.summary->averageRate;
        const double summaryTotal = run.summary->totalTime;
        if (!agreesInPrint(f.totalTime, summaryTotal)) {
            f.disagreements.push_back("the frame times add up to " + asPrinted(f.totalTime) +
                                      " s, the summary says " + asPrinted(summaryTotal) + " s");
        }
        // Average angles/sec is frames / total time, so it tells how many frames were counted.
        const double counted = run.summary->averageAngles * summaryTotal;
        if (std::isfinite(counted) && std::fabs(counted - frames) > 1e-5 * frames + 0.5) {
            f.disagreements.push_back("the summary implies " + formatCount(counted) +
                                      " frames, the file holds " + std::to_string(f.frames));
        }
    } else {
        f.averageAngles = frames / f.totalTime;
        if (run.program == Program::Shardfall) {
            f.averageRate = f.trianglesTotal / f.totalTime;
        } else {
            const double perFrame =
                f.verticesPerFrame.value_or(std::numeric_limits<double>::quiet_NaN());
            f.averageRate = perFrame * frames / f.totalTime;
        }
    }
    return f;
}

std::optional<RateFigures> rateFiguresOf(const std::vector<double>& rates) {
    std::vector<double> finite;
    RateFigures r;
    bool any = false;
    for (std::size_t i = 0; i < rates.size(); ++i) {
        if (!std::isfinite(rates[i])) continue;
        finite.push_back(rates[i]);
        if (!any || rates[i] < rates[r.slowest]) r.slowest = i;
        any = true;
        r.sum += rates[i];
    }
    if (!any) return std::nullopt;
    std::sort(finite.begin(), finite.end());
    r.count = finite.size();
    r.min = finite.front();
    r.max = finite.back();
    r.median = medianOf(finite);
    if (r.min > 0) r.imbalance = r.max / r.min;
    return r;
}
