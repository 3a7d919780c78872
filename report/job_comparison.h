// Comparing two jobs of the same work: ranks matched by number, frames matched by batch size
// (shardfall) or frame for frame (lanternis), per-rank and job rates with their change and a
// rank test of it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "job_metadata.h"
#include "job_report.h"

struct ComparedJob {
    std::string label;  // the folder or files it was read from
    Report report;
    std::vector<JobMetadata> metadata;  // the job.json of every folder it was read from
};

// shardfall's work grows from frame to frame, so its frames are paired by batch size and the
// pairs' log rate ratios tested; lanternis's frames all draw the same points, so their rates
// form two samples.
enum class CompareTest { SignedRank, MannWhitneyU };

struct RankComparison {
    int rank = 0;
    std::string baseHost, newHost;
    std::size_t framesCompared = 0;
    std::optional<double> baseRate, newRate;  // work / time over the compared frames
    std::optional<double> changePercent;
    std::optional<double> pValue;
    bool significant = false;
};

struct JobComparison {
    std::optional<double> baseRate, newRate;  // sums over the compared ranks
    std::optional<double> changePercent;
    std::optional<double> pValue;
    bool significant = false;
    std::size_t positions = 0;  // steps or frames that every compared rank drew in both jobs
    std::optional<double> geomeanChangePercent;  // of the per-rank ratios, with two ranks or more
};

struct Comparison {
    Program program = Program::Shardfall;  // the base job's
    double alpha = 0.05;
    CompareTest test = CompareTest::SignedRank;
    std::vector<RankComparison> ranks;  // by rank, only ranks in both jobs
    JobComparison job;
    std::vector<std::string> context;  // differences of host, renderer, vendor and version
    std::vector<std::string> notes;
};

// What makes the two jobs different work: another program, another number of points per
// frame, another workload digest. Each is one line; empty when the work is the same.
std::vector<std::string> workDifferences(const ComparedJob& base, const ComparedJob& next);

// Both reports must have a program (ranks of one program only).
Comparison compareJobs(const ComparedJob& base, const ComparedJob& next, double alpha);

std::string_view testName(CompareTest test);
