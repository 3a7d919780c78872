// What the launcher's job.json tells the report: the program, the process count and, for every
// window rank, its GL vendor, renderer and version and, for shardfall, its fill path and workload
// digest.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct DisplayInfo {
    int rank = 0;
    std::string host;
    std::string glRenderer;
    std::string glVendor;
    std::string glVersion;
    std::string fillPath;
    std::string workloadDigest;  // SHA-256 of the bytes the rank's frames read, lower-case hex
};

struct JobMetadata {
    std::optional<std::string> program;
    std::optional<int> ranks;  // the job's process count, rank 0 included
    std::vector<DisplayInfo> displays;
};

struct JobMetadataOutcome {
    JobMetadata metadata;
    std::vector<std::string> warnings;  // what was unreadable or left out
};

// Never fails: what cannot be read becomes a warning.
JobMetadataOutcome parseJobJson(std::string_view text);

// Absent when dir holds no job.json.
std::optional<JobMetadataOutcome> readJobJson(const std::filesystem::path& dir);

// The display entry of a rank, if job.json has one.
const DisplayInfo* displayOf(const JobMetadata& metadata, int rank);

std::optional<std::string> rendererOf(const JobMetadata& metadata, int rank);
