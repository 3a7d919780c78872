#include "report_formats.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <nlohmann/json.hpp>

namespace {

// --- table ---

std::string printedOrDash(std::optional<double> value) { return value ? asPrinted(*value) : "-"; }

std::string rateText(double value) { return std::isfinite(value) ? asPrinted(value) : "-"; }

std::string rankLabel(const RankReport& rank) {
    return "rank " + std::to_string(rank.run.rank) + " @ " + rank.run.host;
}

// --- CSV ---

std::string csvNumber(double value) { return std::isfinite(value) ? tidyText(value) : ""; }

std::string csvNumber(std::optional<double> value) { return value ? csvNumber(*value) : ""; }

std::string joinedNotes(const std::vector<std::string>& notes) {
    std::string out;
    for (const std::string& note : notes) out += (out.empty() ? "" : "; ") + note;
    return out;
}

// --- JSON ---

using Json = nlohmann::ordered_json;

Json number(double value) { return std::isfinite(value) ? Json(tidy(value)) : Json(nullptr); }

Json number(std::optional<double> value) { return value ? number(*value) : Json(nullptr); }

}  // namespace

std::string alignedRows(const std::vector<std::vector<std::string>>& rows,
                        const std::vector<bool>& left) {
    std::vector<std::size_t> widths;
    for (const auto& row : rows) {
        widths.resize(std::max(widths.size(), row.size()));
        for (std::size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], row[c].size());
    }
    std::string out;
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (c > 0) line += "  ";
            const std::size_t pad = widths[c] - row[c].size();
            if (c < left.size() && left[c]) {
                line += row[c];
                line.append(pad, ' ');
            } else {
                line.append(pad, ' ');
                line += row[c];
            }
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        out += line + "\n";
    }
    return out;
}

namespace {

// One row per host, and the slowest of them.
std::string hostsTable(const JobFigures& job) {
    const std::string unit(rateUnit(job.program));
    std::vector<std::vector<std::string>> rows{
        {"  host", "ranks", "aggregate " + unit, "min " + unit, "max " + unit}};
    for (const HostFigures& host : job.hosts) {
        const std::optional<RateFigures>& r = host.rates;
        rows.push_back({"  " + host.host, std::to_string(host.ranks), r ? asPrinted(r->sum) : "-",
                        r ? asPrinted(r->min) : "-", r ? asPrinted(r->max) : "-"});
    }
    std::string out = "\nHosts: " + std::to_string(job.hosts.size()) + "\n" +
                      alignedRows(rows, {true, false, false, false, false});
    if (job.slowestOfHosts) {
        out += alignedRows({{"  slowest host", job.hosts[*job.slowestOfHosts].host +
                                                   "  (lowest mean rate of its ranks)"}},
                           {true, true});
    }
    return out;
}

}  // namespace

// --- CSV ---

// 10 significant digits: the inputs have 6, so more would show only the noise of the sums.
std::string tidyText(double value) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 10);
    return std::string(buffer, result.ptr);
}

double tidy(double value) {
    const std::string text = tidyText(value);
    double out = value;
    std::from_chars(text.data(), text.data() + text.size(), out);
    return out;
}

std::string csvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::string formatTable(const Report& report) {
    std::string out;
    const bool mixed = !report.job.program && !report.ranks.empty();
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> header{"rank", "host"};
    if (mixed) header.push_back("program");
    const std::vector<std::string> rest{
        "end",     "frames",   "total s",  "first s",
        "min s",   "median s", "p95 s",    "p99 s",
        "max s",   "cv",       "angles/s", std::string(rateUnit(report.job.program)),
        "renderer"};
    header.insert(header.end(), rest.begin(), rest.end());
    rows.push_back(header);
    for (const RankReport& rank : report.ranks) {
        const RankFigures& f = rank.figures;
        const std::optional<Spread>& s = f.spread;
        std::vector<std::string> row{std::to_string(rank.run.rank), rank.run.host};
        if (mixed) row.push_back(std::string(programName(rank.run.program)));
        const std::vector<std::string> cells{std::string(runEndName(rank.run.end)),
                                             std::to_string(f.frames),
                                             f.frames ? asPrinted(f.totalTime) : "-",
                                             printedOrDash(f.firstFrameTime),
                                             s ? asPrinted(s->min) : "-",
                                             s ? asPrinted(s->median) : "-",
                                             s ? asPrinted(s->p95) : "-",
                                             s ? asPrinted(s->p99) : "-",
                                             s ? asPrinted(s->max) : "-",
                                             s ? printedOrDash(s->cv) : "-",
                                             rateText(f.averageAngles),
                                             rateText(f.averageRate),
                                             rank.glRenderer.value_or("-")};
        row.insert(row.end(), cells.begin(), cells.end());
        rows.push_back(row);
    }
    std::vector<bool> left(header.size(), false);
    for (std::size_t c = 0; c < header.size(); ++c) {
        left[c] = header[c] == "host" || header[c] == "program" || header[c] == "end" ||
                  header[c] == "renderer";
    }
    const std::string table = alignedRows(rows, left);
    out += table;

    const JobFigures& job = report.job;
    out += "\n";
    if (report.ranks.empty()) {
        out += "Job: no rank could be read\n";
    } else if (!job.program) {
        out += "Job: " + std::to_string(job.ranks) + " ranks of both programs\n";
    } else {
        const std::string unit(rateUnit(job.program));
        out += "Job: " + std::string(programName(*job.program)) + ", " + std::to_string(job.ranks) +
               (job.ranks == 1 ? " rank" : " ranks");
        const std::size_t rated = job.rates ? job.rates->count : 0;
        if (rated != job.ranks) out += ", " + std::to_string(rated) + " with a rate";
        out += "\n";
        if (job.rates) {
            const RateFigures& r = *job.rates;
            std::vector<std::vector<std::string>> lines{
                {"  aggregate " + unit, asPrinted(r.sum) + "  (sum of the ranks' average rates)"},
                {"  rank " + unit, "min " + asPrinted(r.min) + "  median " + asPrinted(r.median) +
                                       "  max " + asPrinted(r.max)},
                {"  imbalance",
                 printedOrDash(r.imbalance) + "  (fastest rank's rate / slowest rank's)"},
                {"  slowest rank", std::to_string(job.slowestRank) + " @ " + job.slowestHost}};
            if (job.workloadDigest) {
                lines.push_back({"  workload", job.workloadDigest->substr(0, 12) +
                                                   "  (SHA-256 of the bytes drawn, the same on "
                                                   "every rank)"});
            }
            out += alignedRows(lines, {true, true});
        }
        out += hostsTable(job);
    }

    std::vector<std::string> notes;
    for (const RankReport& rank : report.ranks) {
        for (const std::string& note : rank.notes) notes.push_back(rankLabel(rank) + ": " + note);
    }
    for (const std::string& note : report.jobNotes) notes.push_back("job: " + note);
    if (!notes.empty()) {
        out += "\nNotes:\n";
        for (const std::string& note : notes) out += "  " + note + "\n";
    }
    if (!report.failures.empty()) {
        out += "\nNot reported:\n";
        for (const FileFailure& failure : report.failures)
            out += "  " + failureText(failure) + "\n";
    }
    return out;
}

std::string formatCsv(const Report& report) {
    std::string out =
        "rank,host,program,end,frames,init_s,total_s,summary_total_s,first_frame_s,min_s,"
        "median_s,p95_s,p99_s,max_s,mean_s,stddev_s,cv,average_angles_per_s,average_rate_per_s,"
        "rate_unit,rates_from,gl_renderer,host_ranks,host_aggregate_rate_per_s,"
        "host_min_rate_per_s,host_max_rate_per_s,host_is_slowest,file,notes,fill_path,"
        "workload_digest\n";
    const JobFigures& job = report.job;
    for (const RankReport& rank : report.ranks) {
        const RankFigures& f = rank.figures;
        const std::optional<Spread>& s = f.spread;
        const auto host =
            std::find_if(job.hosts.begin(), job.hosts.end(),
                         [&](const HostFigures& h) { return h.host == rank.run.host; });
        const bool hasHost = host != job.hosts.end();
        const RateFigures* hostRates = hasHost && host->rates ? &*host->rates : nullptr;
        const bool slowest = hasHost && job.slowestOfHosts &&
                             std::size_t(host - job.hosts.begin()) == *job.slowestOfHosts;
        const std::vector<std::string> fields{
            std::to_string(rank.run.rank),
            csvField(rank.run.host),
            std::string(programName(rank.run.program)),
            std::string(runEndName(rank.run.end)),
            std::to_string(f.frames),
            csvNumber(rank.run.initTime),
            f.frames ? csvNumber(f.totalTime) : "",
            rank.run.summary ? csvNumber(rank.run.summary->totalTime) : "",
            csvNumber(f.firstFrameTime),
            s ? csvNumber(s->min) : "",
            s ? csvNumber(s->median) : "",
            s ? csvNumber(s->p95) : "",
            s ? csvNumber(s->p99) : "",
            s ? csvNumber(s->max) : "",
            s ? csvNumber(s->mean) : "",
            s ? csvNumber(s->stddev) : "",
            s ? csvNumber(s->cv) : "",
            csvNumber(f.averageAngles),
            csvNumber(f.averageRate),
            std::string(rateUnit(rank.run.program)),
            f.ratesFromSummary ? "summary" : "frames",
            csvField(rank.glRenderer.value_or("")),
            hasHost ? std::to_string(host->ranks) : "",
            hostRates ? csvNumber(hostRates->sum) : "",
            hostRates ? csvNumber(hostRates->min) : "",
            hostRates ? csvNumber(hostRates->max) : "",
            hasHost ? (slowest ? "true" : "false") : "",
            csvField(rank.file),
            csvField(joinedNotes(rank.notes)),
            rank.workload ? csvField(rank.workload->fillPath) : "",
            rank.workload ? csvField(rank.workload->digest) : ""};
        std::string line;
        for (const std::string& field : fields) line += (line.empty() ? "" : ",") + field;
        out += line + "\n";
    }
    return out;
}

std::string formatJson(const Report& report) {
    Json ranks = Json::array();
    for (const RankReport& rank : report.ranks) {
        const RankFigures& f = rank.figures;
        Json frameTime = nullptr;
        if (const std::optional<Spread>& s = f.spread) {
            frameTime = {{"count", s->count},           {"min", number(s->min)},
                         {"median", number(s->median)}, {"p95", number(s->p95)},
                         {"p99", number(s->p99)},       {"max", number(s->max)},
                         {"mean", number(s->mean)},     {"stddev", number(s->stddev)},
                         {"cv", number(s->cv)}};
        }
        Json entry{{"rank", rank.run.rank},
                   {"host", rank.run.host},
                   {"program", programName(rank.run.program)},
                   {"file", rank.file},
                   {"end", runEndName(rank.run.end)},
                   {"init_s", number(rank.run.initTime)},
                   {"frames", f.frames},
                   {"total_s", number(f.totalTime)},
                   {"summary_total_s",
                    rank.run.summary ? number(rank.run.summary->totalTime) : Json(nullptr)},
                   {"first_frame_s", number(f.firstFrameTime)},
                   {"frame_time_s", frameTime},
                   {"average_angles_per_s", number(f.averageAngles)},
                   {"average_rate_per_s", number(f.averageRate)},
                   {"rate_unit", rateUnit(rank.run.program)},
                   {"rates_from", f.ratesFromSummary ? "summary" : "frames"},
                   {"gl_renderer", rank.glRenderer ? Json(*rank.glRenderer) : nullptr},
                   {"notes", rank.notes}};
        if (rank.run.program == Program::Shardfall) {
            entry["triangles_total"] = number(f.trianglesTotal);
            entry["fill_path"] = rank.workload ? Json(rank.workload->fillPath) : nullptr;
            entry["workload_digest"] = rank.workload ? Json(rank.workload->digest) : nullptr;
        }
        else
            entry["vertices_per_frame"] = number(f.verticesPerFrame);
        ranks.push_back(std::move(entry));
    }

    const JobFigures& job = report.job;
    Json jobJson{{"program", job.program ? Json(programName(*job.program)) : nullptr},
                 {"ranks", job.ranks},
                 {"rate_unit", job.program ? Json(rateUnit(job.program)) : nullptr},
                 {"notes", report.jobNotes}};
    if (job.program == Program::Shardfall)
        jobJson["workload_digest"] = job.workloadDigest ? Json(*job.workloadDigest) : nullptr;
    if (job.rates) {
        const RateFigures& r = *job.rates;
        jobJson["ranks_with_rate"] = r.count;
        jobJson["aggregate_rate_per_s"] = number(r.sum);
        jobJson["rank_rate_per_s"] = {
            {"min", number(r.min)}, {"median", number(r.median)}, {"max", number(r.max)}};
        jobJson["imbalance"] = number(r.imbalance);
        jobJson["slowest"] = {{"rank", job.slowestRank}, {"host", job.slowestHost}};
    } else {
        jobJson["ranks_with_rate"] = 0;
        jobJson["aggregate_rate_per_s"] = nullptr;
        jobJson["rank_rate_per_s"] = nullptr;
        jobJson["imbalance"] = nullptr;
        jobJson["slowest"] = nullptr;
    }

    Json hosts = Json::array();
    for (const HostFigures& host : job.hosts) {
        const std::optional<RateFigures>& r = host.rates;
        hosts.push_back({{"host", host.host},
                         {"ranks", host.ranks},
                         {"aggregate_rate", r ? number(r->sum) : Json(nullptr)},
                         {"min_rate", r ? number(r->min) : Json(nullptr)},
                         {"max_rate", r ? number(r->max) : Json(nullptr)}});
    }
    jobJson["hosts"] = hosts;
    jobJson["slowest_host"] =
        job.slowestOfHosts ? Json(job.hosts[*job.slowestOfHosts].host) : Json(nullptr);

    Json failures = Json::array();
    for (const FileFailure& failure : report.failures) {
        failures.push_back({{"file", failure.file},
                            {"line", failure.line ? Json(failure.line) : nullptr},
                            {"message", failure.message}});
    }
    const Json doc{
        {"schema_version", 1}, {"ranks", ranks}, {"job", jobJson}, {"failures", failures}};
    // Host names and file names are bytes, not necessarily UTF-8.
    return doc.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}
