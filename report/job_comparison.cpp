#include "job_comparison.h"

#include <cmath>
#include <map>
#include <set>
#include <utility>

#include "rank_tests.h"

namespace {

// A compared position: (triangles of the frame, its occurrence among frames of that size) for
// shardfall, (measured frame number, 0) frame for frame.
using Position = std::pair<std::int64_t, int>;

struct Sample {
    Position position;
    double work = 0;
    double time = 0;
};

const RankReport* rankIn(const Report& report, int rank) {
    for (const RankReport& r : report.ranks) {
        if (r.run.rank == rank) return &r;
    }
    return nullptr;
}

const DisplayInfo* displayIn(const ComparedJob& job, int rank) {
    for (const JobMetadata& metadata : job.metadata) {
        if (const DisplayInfo* display = displayOf(metadata, rank)) return display;
    }
    return nullptr;
}

std::set<int> ranksOf(const Report& report) {
    std::set<int> out;
    for (const RankReport& r : report.ranks) out.insert(r.run.rank);
    return out;
}

// The measured frames after the first (the warm-up) with a time above 0, with their work.
std::vector<Sample> samplesOf(const RankReport& rank, bool byBatch) {
    std::vector<Sample> out;
    std::map<std::int64_t, int> seen;
    const double points = rank.figures.verticesPerFrame.value_or(NAN);
    for (std::size_t i = 1; i < rank.run.frames.size(); ++i) {
        const FrameBlock& frame = rank.run.frames[i];
        if (!(frame.frameTime > 0) || !std::isfinite(frame.frameTime)) continue;
        Sample s;
        s.time = frame.frameTime;
        if (rank.run.program == Program::Shardfall) {
            s.work = static_cast<double>(frame.triangles);
        } else {
            s.work = points;
        }
        s.position = byBatch ? Position{frame.triangles, seen[frame.triangles]++}
                             : Position{static_cast<std::int64_t>(i + 1), 0};
        out.push_back(s);
    }
    return out;
}

std::optional<double> changeOf(double base, double next) {
    if (!(base > 0) || !std::isfinite(base) || !std::isfinite(next)) return std::nullopt;
    return (next / base - 1) * 100;
}

std::optional<TestOutcome> testOf(CompareTest test, const std::vector<double>& baseRates,
                                  const std::vector<double>& newRates) {
    if (test == CompareTest::MannWhitneyU) return mannWhitneyU(baseRates, newRates);
    std::vector<double> logRatios;
    for (std::size_t i = 0; i < baseRates.size(); ++i)
        logRatios.push_back(std::log(newRates[i] / baseRates[i]));
    return signedRank(logRatios);
}

double smallestP(CompareTest test, std::size_t n) {
    return test == CompareTest::MannWhitneyU ? smallestMannWhitneyP(n, n) : smallestSignedRankP(n);
}

// A note when the compared values are too few for a test or too few to reach alpha.
std::optional<std::string> shortageNote(CompareTest test, std::size_t n, double alpha,
                                        const std::string& what) {
    if (n < minTestValues) {
        return std::to_string(n) + " " + what + " compared, too few for a test (" +
               std::to_string(minTestValues) + " needed): no p-value";
    }
    const double smallest = smallestP(test, n);
    if (smallest >= alpha) {
        return "with " + std::to_string(n) + " " + what + " compared no p-value below " +
               asPrinted(smallest) + " is possible";
    }
    return std::nullopt;
}

std::string countText(double value) {
    return std::fabs(value) < 1e15 ? std::to_string(std::llround(value)) : asPrinted(value);
}

std::string rankName(int rank) { return "rank " + std::to_string(rank); }

void noteContext(const ComparedJob& base, const ComparedJob& next, int rank,
                 const RankComparison& compared, std::vector<std::string>& context) {
    if (compared.baseHost != compared.newHost)
        context.push_back(rankName(rank) + ": host " + compared.baseHost + " -> " +
                          compared.newHost);
    const DisplayInfo* a = displayIn(base, rank);
    const DisplayInfo* b = displayIn(next, rank);
    if (!a || !b) return;
    const std::pair<const char*, std::pair<std::string, std::string>> fields[] = {
        {"GL vendor", {a->glVendor, b->glVendor}},
        {"GL renderer", {a->glRenderer, b->glRenderer}},
        {"GL version", {a->glVersion, b->glVersion}}};
    for (const auto& [name, values] : fields) {
        if (values.first != values.second)
            context.push_back(rankName(rank) + ": " + name + " " + values.first + " -> " +
                              values.second);
    }
}

}  // namespace

std::vector<std::string> workDifferences(const ComparedJob& base, const ComparedJob& next) {
    std::vector<std::string> out;
    const std::optional<Program> a = base.report.job.program, b = next.report.job.program;
    if (a && b && *a != *b) {
        out.push_back("the jobs ran different programs: base " + std::string(programName(*a)) +
                      ", new " + std::string(programName(*b)));
        return out;
    }
    for (const RankReport& rank : base.report.ranks) {
        const RankReport* other = rankIn(next.report, rank.run.rank);
        if (!other) continue;
        const std::optional<double> p = rank.figures.verticesPerFrame;
        const std::optional<double> q = other->figures.verticesPerFrame;
        if (rank.run.program == Program::Lanternis && p && q && *p != *q) {
            out.push_back(rankName(rank.run.rank) + " draws " + countText(*p) +
                          " points per frame in base, " + countText(*q) +
                          " in new (another colour depth)");
        }
        const DisplayInfo* da = displayIn(base, rank.run.rank);
        const DisplayInfo* db = displayIn(next, rank.run.rank);
        if (da && db && !da->workloadDigest.empty() && !db->workloadDigest.empty() &&
            da->workloadDigest != db->workloadDigest) {
            out.push_back(rankName(rank.run.rank) + " ran another workload: digest " +
                          da->workloadDigest + " in base, " + db->workloadDigest + " in new");
        }
    }
    return out;
}

Comparison compareJobs(const ComparedJob& base, const ComparedJob& next, double alpha) {
    Comparison out;
    out.alpha = alpha;
    out.program = *base.report.job.program;
    const bool byBatch = out.program == Program::Shardfall &&
                         next.report.job.program == Program::Shardfall;
    out.test = byBatch ? CompareTest::SignedRank : CompareTest::MannWhitneyU;
    const std::string what = byBatch ? "steps" : "frames";

    const std::set<int> baseRanks = ranksOf(base.report), newRanks = ranksOf(next.report);
    for (int rank : baseRanks) {
        if (!newRanks.contains(rank))
            out.notes.push_back(rankName(rank) + ": only in base, left out");
    }
    for (int rank : newRanks) {
        if (!baseRanks.contains(rank))
            out.notes.push_back(rankName(rank) + ": only in new, left out");
    }

    // Per compared rank: its (base, new) rates at every position both drew.
    std::vector<std::map<Position, std::pair<double, double>>> rankRates;
    std::vector<double> ratios;
    for (int rank : baseRanks) {
        if (!newRanks.contains(rank)) continue;
        const RankReport& a = *rankIn(base.report, rank);
        const RankReport& b = *rankIn(next.report, rank);
        RankComparison compared;
        compared.rank = rank;
        compared.baseHost = a.run.host;
        compared.newHost = b.run.host;
        noteContext(base, next, rank, compared, out.context);

        const std::vector<Sample> baseSamples = samplesOf(a, byBatch);
        std::map<Position, Sample> newSamples;
        for (const Sample& s : samplesOf(b, byBatch)) newSamples.emplace(s.position, s);
        double baseWork = 0, baseTime = 0, newWork = 0, newTime = 0;
        std::vector<double> baseRates, newRates;
        std::map<Position, std::pair<double, double>> rates;
        for (const Sample& s : baseSamples) {
            const auto match = newSamples.find(s.position);
            if (match == newSamples.end()) continue;
            const Sample& t = match->second;
            if (!std::isfinite(s.work) || !std::isfinite(t.work)) continue;
            baseWork += s.work;
            baseTime += s.time;
            newWork += t.work;
            newTime += t.time;
            baseRates.push_back(s.work / s.time);
            newRates.push_back(t.work / t.time);
            rates[s.position] = {baseRates.back(), newRates.back()};
        }
        compared.framesCompared = baseRates.size();
        if (a.run.frames.size() != b.run.frames.size()) {
            out.notes.push_back(rankName(rank) + ": " + std::to_string(a.run.frames.size()) +
                                " measured frames in base, " +
                                std::to_string(b.run.frames.size()) + " in new; " +
                                std::to_string(compared.framesCompared) + " " + what +
                                " drawn by both compared");
        }
        if (compared.framesCompared > 0) {
            compared.baseRate = baseWork / baseTime;
            compared.newRate = newWork / newTime;
            compared.changePercent = changeOf(*compared.baseRate, *compared.newRate);
            if (compared.changePercent) ratios.push_back(*compared.newRate / *compared.baseRate);
            rankRates.push_back(std::move(rates));
        }
        if (const auto note = shortageNote(out.test, compared.framesCompared, alpha, what))
            out.notes.push_back(rankName(rank) + ": " + *note);
        if (const auto test = testOf(out.test, baseRates, newRates)) {
            compared.pValue = test->pValue;
            compared.significant = test->pValue < alpha;
        }
        out.ranks.push_back(compared);
    }

    JobComparison& job = out.job;
    double baseSum = 0, newSum = 0;
    for (const RankComparison& r : out.ranks) {
        if (!r.baseRate) continue;
        baseSum += *r.baseRate;
        newSum += *r.newRate;
    }
    if (!rankRates.empty()) {
        job.baseRate = baseSum;
        job.newRate = newSum;
        job.changePercent = changeOf(baseSum, newSum);
        // The job's rate at a position is the sum of the ranks' rates there.
        std::vector<double> baseAt, newAt;
        for (const auto& [position, first] : rankRates.front()) {
            double b = 0, n = 0;
            bool everywhere = true;
            for (const auto& rates : rankRates) {
                const auto found = rates.find(position);
                if (found == rates.end()) {
                    everywhere = false;
                    break;
                }
                b += found->second.first;
                n += found->second.second;
            }
            if (!everywhere) continue;
            baseAt.push_back(b);
            newAt.push_back(n);
        }
        job.positions = baseAt.size();
        if (rankRates.size() > 1) {
            if (const auto note = shortageNote(out.test, job.positions, alpha, what))
                out.notes.push_back("job: " + *note);
        }
        if (const auto test = testOf(out.test, baseAt, newAt)) {
            job.pValue = test->pValue;
            job.significant = test->pValue < alpha;
        }
    }
    if (ratios.size() > 1) {
        if (const auto mean = geometricMean(ratios)) job.geomeanChangePercent = (*mean - 1) * 100;
    }
    return out;
}

std::string_view testName(CompareTest test) {
    return test == CompareTest::SignedRank ? "Wilcoxon signed-rank" : "Mann-Whitney U";
}
