#include "job_report.h"

#include <algorithm>
#include <map>

namespace {

std::string listOf(const std::vector<int>& values) {
    std::string out;
    for (int value : values) out += (out.empty() ? "" : ", ") + std::to_string(value);
    return out;
}

std::vector<HostFigures> hostFiguresOf(const std::vector<RankReport>& ranks) {
    std::vector<HostFigures> hosts;
    std::vector<std::vector<double>> rates;
    for (const RankReport& rank : ranks) {
        auto at = std::find_if(hosts.begin(), hosts.end(),
                               [&](const HostFigures& h) { return h.host == rank.run.host; });
        if (at == hosts.end()) {
            hosts.push_back({rank.run.host, 0, std::nullopt});
            rates.emplace_back();
            at = hosts.end() - 1;
        }
        ++at->ranks;
        rates[at - hosts.begin()].push_back(rank.figures.averageRate);
    }
    for (std::size_t i = 0; i < hosts.size(); ++i) hosts[i].rates = rateFiguresOf(rates[i]);
    return hosts;
}

std::optional<std::size_t> slowestHostOf(const std::vector<HostFigures>& hosts) {
    std::optional<std::size_t> slowest;
    const auto meanRate = [&](std::size_t i) {
        return hosts[i].rates->sum / hosts[i].rates->count;
    };
    for (std::size_t i = 0; i < hosts.size(); ++i) {
        if (hosts[i].rates && (!slowest || meanRate(i) < meanRate(*slowest))) slowest = i;
    }
    return slowest;
}

JobFigures jobFiguresOf(const std::vector<RankReport>& ranks) {
    JobFigures job;
    job.ranks = ranks.size();
    if (ranks.empty()) return job;
    const Program first = ranks.front().run.program;
    const bool onlyOne = std::all_of(ranks.begin(), ranks.end(),
                                     [&](const RankReport& r) { return r.run.program == first; });
    if (!onlyOne) return job;
    job.program = first;
    std::vector<double> rates;
    for (const RankReport& rank : ranks) rates.push_back(rank.figures.averageRate);
    job.rates = rateFiguresOf(rates);
    if (job.rates) {
        job.slowestRank = ranks[job.rates->slowest].run.rank;
        job.slowestHost = ranks[job.rates->slowest].run.host;
    }
    job.hosts = hostFiguresOf(ranks);
    job.slowestOfHosts = slowestHostOf(job.hosts);
    return job;
}

// A job's ranks are comparable only if they drew the same bytes.
void noteWorkloads(Report& report) {
    std::map<std::string, std::vector<int>> ranksOfDigest;
    std::map<std::string, std::string> pathOfDigest;
    for (const RankReport& rank : report.ranks) {
        if (!rank.workload) continue;
        ranksOfDigest[rank.workload->digest].push_back(rank.run.rank);
        pathOfDigest.emplace(rank.workload->digest, rank.workload->fillPath);
    }
    if (ranksOfDigest.size() == 1) {
        report.job.workloadDigest = ranksOfDigest.begin()->first;
        return;
    }
    if (ranksOfDigest.empty()) return;
    std::string groups;
    for (const auto& [digest, ranks] : ranksOfDigest) {
        groups += (groups.empty() ? "" : "; ") + digest.substr(0, 12) + " (" +
                  pathOfDigest[digest] + ") on rank " + listOf(ranks);
    }
    report.jobNotes.push_back("warning: the ranks drew different workloads, so their rates do "
                              "not compare: " + groups);
}

}  // namespace

void describeFromJob(ParsedFile& file, const JobMetadata& metadata) {
    file.glRenderer = rendererOf(metadata, file.outcome.run.rank);
    const DisplayInfo* display = displayOf(metadata, file.outcome.run.rank);
    if (display != nullptr && !display->workloadDigest.empty())
        file.workload = WorkloadIdentity{display->fillPath, display->workloadDigest};
}

Report assembleReport(std::vector<ParsedFile> files, const std::vector<JobMetadata>& metadata) {
    Report report;
    for (ParsedFile& file : files) {
        if (file.readError) {
            report.failures.push_back({file.file, 0, *file.readError});
            continue;
        }
        if (const std::optional<ParseError>& error = file.outcome.error) {
            report.failures.push_back({file.file, error->line,
                                       "expected " + error->expected + ", found " + error->found});
            continue;
        }
        RankReport rank;
        rank.file = std::move(file.file);
        rank.run = std::move(file.outcome.run);
        rank.figures = rankFiguresOf(rank.run);
        rank.glRenderer = std::move(file.glRenderer);
        rank.workload = std::move(file.workload);
        rank.notes = rank.run.notes;
        rank.notes.insert(rank.notes.end(), rank.figures.disagreements.begin(),
                          rank.figures.disagreements.end());
        report.ranks.push_back(std::move(rank));
    }
    std::stable_sort(
        report.ranks.begin(), report.ranks.end(), [](const RankReport& a, const RankReport& b) {
            return a.run.rank != b.run.rank ? a.run.rank < b.run.rank : a.file < b.file;
        });
    report.job = jobFiguresOf(report.ranks);

    std::map<int, int> filesOfRank;
    for (const RankReport& rank : report.ranks) ++filesOfRank[rank.run.rank];
    for (const auto& [rank, count] : filesOfRank) {
        if (count > 1) {
            report.jobNotes.push_back("rank " + std::to_string(rank) + " has " +
                                      std::to_string(count) + " results files");
        }
    }
    if (!report.ranks.empty() && !report.job.program)
        report.jobNotes.push_back("the files are of both programs: no job figures");
    noteWorkloads(report);

    for (const JobMetadata& job : metadata) {
        if (job.program && report.job.program && *job.program != programName(*report.job.program)) {
            report.jobNotes.push_back("job.json names program " + *job.program +
                                      ", the results files are of " +
                                      std::string(programName(*report.job.program)));
        }
        if (!job.ranks) continue;
        std::vector<int> missing;
        for (int rank = 1; rank < *job.ranks && missing.size() < 1000; ++rank) {
            if (!filesOfRank.contains(rank)) missing.push_back(rank);
        }
        // Failed files count as present: they are reported on their own.
        for (const FileFailure& failure : report.failures) {
            const auto name = failure.file.substr(failure.file.find_last_of('/') + 1);
            std::erase_if(missing, [&](int rank) {
                return name.find(" @ " + std::to_string(rank) + " of ") != std::string::npos;
            });
        }
        if (!missing.empty()) {
            report.jobNotes.push_back("job.json counts " + std::to_string(*job.ranks) +
                                      " processes; no results for rank " + listOf(missing));
        }
    }
    return report;
}

std::string failureText(const FileFailure& failure) {
    if (failure.line == 0) return failure.file + ": " + failure.message;
    return failure.file + ":" + std::to_string(failure.line) + ": " + failure.message;
}

std::string_view rateUnit(std::optional<Program> program) {
    if (!program) return "rate/s";
    return *program == Program::Shardfall ? "triangles/s" : "vertices/s";
}
