#include "comparison_formats.h"

#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "report_formats.h"

namespace {

using Json = nlohmann::ordered_json;

std::string changeText(std::optional<double> change) {
    if (!change) return "-";
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%+.2f%%", *change);
    return buffer;
}

// benchstat's convention: "~" where the change is not significant.
std::string shownChange(std::optional<double> change, std::optional<double> p, bool significant) {
    if (p && !significant) return "~";
    return changeText(change);
}

std::string pText(std::optional<double> p) {
    if (!p) return "-";
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.3g", *p);
    return buffer;
}

std::string rateText(std::optional<double> rate) { return rate ? asPrinted(*rate) : "-"; }

std::string hostText(const RankComparison& rank) {
    return rank.baseHost == rank.newHost ? rank.baseHost : rank.baseHost + " -> " + rank.newHost;
}

Json number(std::optional<double> value) {
    return value && std::isfinite(*value) ? Json(tidy(*value)) : Json(nullptr);
}

Json pJson(std::optional<double> p) { return p ? Json(tidy(*p)) : Json(nullptr); }

std::string csvNumber(std::optional<double> value) {
    return value && std::isfinite(*value) ? tidyText(*value) : "";
}

std::string testDescription(const Comparison& c) {
    if (c.test == CompareTest::SignedRank) {
        return "Wilcoxon signed-rank test on the log rate ratios of the steps both drew\n"
               "   (frames paired by batch size)";
    }
    return "Mann-Whitney U test on the per-frame rates";
}

}  // namespace

std::string_view comparisonMetric(const Comparison& comparison) {
    return rateUnit(comparison.program);
}

std::string formatComparisonTable(const Comparison& c, const std::string& baseLabel,
                                  const std::string& newLabel) {
    const std::string unit(comparisonMetric(c));
    std::string out = "base: " + baseLabel + "\nnew:  " + newLabel + "\n\n";
    std::vector<std::vector<std::string>> rows{
        {"rank", "host", "base " + unit, "new " + unit, "change", "p", "frames"}};
    for (const RankComparison& r : c.ranks) {
        rows.push_back({std::to_string(r.rank), hostText(r), rateText(r.baseRate),
                        rateText(r.newRate), shownChange(r.changePercent, r.pValue, r.significant),
                        pText(r.pValue), std::to_string(r.framesCompared)});
    }
    const JobComparison& job = c.job;
    rows.push_back({"job", "(sum)", rateText(job.baseRate), rateText(job.newRate),
                    shownChange(job.changePercent, job.pValue, job.significant), pText(job.pValue),
                    std::to_string(job.positions)});
    if (job.geomeanChangePercent)
        rows.push_back({"geomean", "", "", "", changeText(job.geomeanChangePercent), "", ""});
    out += alignedRows(rows, {true, true, false, false, false, false, false});

    out += "\n" + std::string(programName(c.program)) + ": " + unit +
           " over the frames both jobs drew, the first frame of each rank left out.\n";
    out += "p: " + testDescription(c) + ", two-sided;\n   the job's from the sum of the ranks' "
           "rates at each " + (c.test == CompareTest::SignedRank ? "step" : "frame") +
           " that all ranks drew.\n";
    char alpha[32];
    std::snprintf(alpha, sizeof alpha, "%g", c.alpha);
    out += "~: no significant change (p >= " + std::string(alpha) + ").\n";
    if (!c.context.empty()) {
        out += "\nContext:\n";
        for (const std::string& line : c.context) out += "  " + line + "\n";
    }
    if (!c.notes.empty()) {
        out += "\nNotes:\n";
        for (const std::string& note : c.notes) out += "  " + note + "\n";
    }
    return out;
}

std::string formatComparisonCsv(const Comparison& c) {
    std::string out =
        "rank,base_host,new_host,base,new,change_percent,p_value,significant,frames_compared,"
        "metric,test\n";
    const std::string tail =
        "," + std::string(comparisonMetric(c)) + "," + std::string(testName(c.test)) + "\n";
    auto p = [](std::optional<double> value, bool significant) {
        return value ? tidyText(*value) + "," + (significant ? "true" : "false") : std::string(",");
    };
    for (const RankComparison& r : c.ranks) {
        out += std::to_string(r.rank) + "," + csvField(r.baseHost) + "," + csvField(r.newHost) +
               "," + csvNumber(r.baseRate) + "," + csvNumber(r.newRate) + "," +
               csvNumber(r.changePercent) + "," + p(r.pValue, r.significant) + "," +
               std::to_string(r.framesCompared) + tail;
    }
    const JobComparison& job = c.job;
    out += "job,,," + csvNumber(job.baseRate) + "," + csvNumber(job.newRate) + "," +
           csvNumber(job.changePercent) + "," + p(job.pValue, job.significant) + "," +
           std::to_string(job.positions) + tail;
    if (job.geomeanChangePercent)
        out += "geomean,,,,," + csvNumber(job.geomeanChangePercent) + ",,,," + tail;
    return out;
}

std::string formatComparisonJson(const Comparison& c) {
    Json ranks = Json::array();
    for (const RankComparison& r : c.ranks) {
        ranks.push_back({{"rank", r.rank},
                         {"host", r.baseHost},
                         {"new_host", r.newHost},
                         {"base", number(r.baseRate)},
                         {"new", number(r.newRate)},
                         {"change_percent", number(r.changePercent)},
                         {"p_value", pJson(r.pValue)},
                         {"significant", r.pValue ? Json(r.significant) : Json(nullptr)},
                         {"frames_compared", r.framesCompared}});
    }
    const JobComparison& job = c.job;
    const Json jobJson{{"base", number(job.baseRate)},
                       {"new", number(job.newRate)},
                       {"change_percent", number(job.changePercent)},
                       {"p_value", pJson(job.pValue)},
                       {"significant", job.pValue ? Json(job.significant) : Json(nullptr)},
                       {"positions_compared", job.positions},
                       {"geomean_change_percent", number(job.geomeanChangePercent)}};
    const Json doc{{"schema_version", 1},
                   {"program", programName(c.program)},
                   {"metric", comparisonMetric(c)},
                   {"alpha", c.alpha},
                   {"test", testName(c.test)},
                   {"job", jobJson},
                   {"ranks", ranks},
                   {"context", c.context},
                   {"notes", c.notes}};
    return doc.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}
