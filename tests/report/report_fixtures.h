// Reading the checked-in results fixtures in the report's tests.
#pragma once

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "results_parser.h"

inline std::filesystem::path fixturePath(const std::string& job, int rank) {
    for (const auto& entry :
         std::filesystem::directory_iterator(std::string(RESULTS_FIXTURES) + "/" + job)) {
        const std::string name = entry.path().filename().string();
        if (name.find(" @ " + std::to_string(rank) + " of ") != std::string::npos)
            return entry.path();
    }
    return {};
}

inline std::string fileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::string fixtureText(const std::string& job, int rank) {
    return fileText(fixturePath(job, rank));
}

inline ResultsRun fixtureRun(const std::string& job, int rank) {
    return parseResults(fixtureText(job, rank)).run;
}

// Relative closeness for figures computed from the fixtures.
inline bool near(double actual, double expected, double relative = 1e-9) {
    return std::fabs(actual - expected) <= relative * std::fabs(expected);
}

#include <algorithm>

#include "job_report.h"

// What benchreport builds from a fixture job folder, without the program.
// metadataText, when given, stands in for the job.json of the folder.
inline Report fixtureReport(const std::string& job, const std::string& metadataText = "") {
    const std::filesystem::path dir = std::string(RESULTS_FIXTURES) + "/" + job;
    std::vector<std::filesystem::path> paths;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().filename().string().starts_with("results_")) paths.push_back(entry.path());
    }
    std::sort(paths.begin(), paths.end());
    const JobMetadata metadata =
        metadataText.empty() ? readJobJson(dir)->metadata : parseJobJson(metadataText).metadata;
    std::vector<ParsedFile> files;
    for (const auto& path : paths) {
        ParsedFile file;
        file.file = path.string();
        file.outcome = parseResults(fileText(path), path.filename().string());
        describeFromJob(file, metadata);
        files.push_back(std::move(file));
    }
    return assembleReport(std::move(files), {metadata});
}
