// The report of a job: every readable rank with its figures, the files that failed, and the
// figures over the ranks.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "job_metadata.h"
#include "results_parser.h"
#include "run_statistics.h"

// What a shardfall rank drew: its fill path and the digest of the bytes its frames read.
struct WorkloadIdentity {
    std::string fillPath;
    std::string digest;
};

struct ParsedFile {
    std::string file;
    std::optional<std::string> readError;  // the file could not be read; outcome is empty
    ParseOutcome outcome;
    std::optional<std::string> glRenderer;  // from the job.json beside it
    std::optional<WorkloadIdentity> workload;  // likewise
};

struct RankReport {
    std::string file;
    ResultsRun run;
    RankFigures figures;
    std::optional<std::string> glRenderer;
    std::optional<WorkloadIdentity> workload;
    std::vector<std::string> notes;
};

struct FileFailure {
    std::string file;
    std::size_t line = 0;  // 0 when the file could not be read at all
    std::string message;
};

// The rate of a rank is its average triangles/sec (shardfall) or vertices/sec (lanternis).
// Imbalance is the highest rank rate divided by the lowest: 1 when every rank ran alike,
// 2 when the slowest rank managed half the rate of the fastest.
// The ranks of one host. The slowest host is the one whose ranks have the lowest mean rate.
struct HostFigures {
    std::string host;
    std::size_t ranks = 0;
    std::optional<RateFigures> rates;  // over its ranks with a finite rate
};

struct JobFigures {
    std::optional<Program> program;  // absent when the ranks are not all of one program
    std::size_t ranks = 0;
    std::optional<RateFigures> rates;  // over the ranks with a finite rate
    int slowestRank = 0;
    std::string slowestHost;
    std::vector<HostFigures> hosts;         // in the order of their lowest rank; one program only
    std::optional<std::size_t> slowestOfHosts;  // index into hosts; absent without rates
    std::optional<std::string> workloadDigest;  // when every rank with one has the same
};

struct Report {
    std::vector<RankReport> ranks;  // by rank
    std::vector<FileFailure> failures;
    JobFigures job;
    std::vector<std::string> jobNotes;
};

// Adds what job.json says of the file's rank: its renderer and its workload.
void describeFromJob(ParsedFile& file, const JobMetadata& metadata);

Report assembleReport(std::vector<ParsedFile> files, const std::vector<JobMetadata>& metadata);

// "FILE:LINE: expected ..., found ..." or "FILE: MESSAGE".
std::string failureText(const FileFailure& failure);

std::string_view rateUnit(std::optional<Program> program);
