// What the launcher's job.json tells the report: the program, the process count and, for every
// window rank, its GL vendor, renderer and version and its workload digest.
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
    std::string workloadDigest;  // SHA-256 of the workload, where the launcher records one
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

std::optional<std::string> rendererOf(const JobMetadata& metadata, int rank);

// The entry of a window rank; absent when job.json has none.
const DisplayInfo* displayOf(const JobMetadata& metadata, int rank);
