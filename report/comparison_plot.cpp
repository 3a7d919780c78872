#include "comparison_plot.h"

#include <algorithm>
#include <sstream>

namespace {

std::ostringstream numberStream() {
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out.precision(17);
    return out;
}

}  // namespace

std::string comparisonData(const ResultsRun& run, bool byBatch) {
    std::ostringstream out = numberStream();
    if (byBatch) {
        for (std::size_t i = 1; i < run.frames.size(); ++i) {
            const FrameBlock& frame = run.frames[i];
            if (frame.frameTime > 0)
                out << frame.triangles << ' ' << static_cast<double>(frame.triangles) / frame.frameTime
                    << '\n';
        }
        return out.str();
    }
    std::vector<double> times;
    for (std::size_t i = 1; i < run.frames.size(); ++i) times.push_back(run.frames[i].frameTime);
    std::sort(times.begin(), times.end());
    for (std::size_t i = 0; i < times.size(); ++i)
        out << times[i] << ' ' << static_cast<double>(i + 1) / static_cast<double>(times.size())
            << '\n';
    return out.str();
}

std::string comparisonScript(const std::vector<ComparisonSeries>& series, bool byBatch,
                             const std::string& unit, const std::string& output,
                             PlotFormat format) {
    std::string out = plotHead(output, format, 700);
    if (byBatch) {
        out +=
            "set logscale xy\nset title 'Rate against batch size: base and new'\n"
            "set xlabel 'triangles per frame'\nset ylabel " +
            quotedForGnuplot(unit) + "\n";
    } else {
        out +=
            "set title 'Frame-time distribution: base and new'\n"
            "set xlabel 'frame time (s)'\nset ylabel 'fraction of frames'\nset yrange [0:1]\n";
    }
    out += "plot ";
    for (std::size_t i = 0; i < series.size(); ++i) {
        const ComparisonSeries& s = series[i];
        out += i == 0 ? "" : ", \\\n     ";
        // Base dashed, new solid; a rank keeps its colour in both.
        out += quotedForGnuplot(s.dataFile) + " using 1:2 with " +
               (byBatch ? "linespoints" : "steps") + " dashtype " + (s.base ? "2" : "1") +
               " linecolor " + std::to_string(i / 2 + 1) + " title " + quotedForGnuplot(s.title);
    }
    return out + "\nset output\n";
}

std::optional<std::string> writeComparisonPlot(const Report& base, const Report& next,
                                               const Comparison& comparison,
                                               const std::string& output) {
    const std::optional<PlotFormat> format = plotFormatOf(output);
    if (!format) return "the plot file must end in .svg or .png: " + output;
    const bool byBatch = comparison.test == CompareTest::SignedRank;
    std::vector<ComparisonSeries> series;
    std::vector<PlotDataFile> data;
    for (const RankComparison& rank : comparison.ranks) {
        for (const Report* report : {&base, &next}) {
            const bool isBase = report == &base;
            for (const RankReport& r : report->ranks) {
                if (r.run.rank != rank.rank) continue;
                ComparisonSeries s;
                s.base = isBase;
                s.title = std::string(isBase ? "base" : "new") + " rank " +
                          std::to_string(rank.rank) + " @ " + r.run.host;
                s.dataFile = std::string(isBase ? "base" : "new") + "-" +
                             std::to_string(rank.rank) + ".dat";
                data.push_back({s.dataFile, comparisonData(r.run, byBatch)});
                series.push_back(std::move(s));
                break;
            }
        }
    }
    if (series.empty()) return "no rank is in both jobs: nothing to plot";
    const std::string unit(rateUnit(comparison.program));
    return renderPlot(
        data,
        [&](const std::string& dir) {
            std::vector<ComparisonSeries> placed = series;
            for (ComparisonSeries& s : placed) s.dataFile = dir + "/" + s.dataFile;
            return comparisonScript(placed, byBatch, unit, output, *format);
        },
        output);
}
