#include "job_files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <optional>

namespace fs = std::filesystem;

namespace {

bool isResultsFileName(const std::string& name) {
    return name.starts_with("results_") && name.ends_with(".txt");
}

std::optional<std::string> readWhole(const fs::path& path, std::string& text) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) return "is a folder";
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::string("cannot be read (") + std::strerror(errno) + ")";
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) return "cannot be read";
    return std::nullopt;
}

struct Inputs {
    std::vector<fs::path> files;
    bool failed = false;
};

// Folders stand for their results files, in name order.
Inputs collectInputs(const std::vector<std::string>& args) {
    Inputs inputs;
    for (const std::string& arg : args) {
        std::error_code ec;
        const fs::file_status status = fs::status(arg, ec);
        if (ec || !fs::exists(status)) {
            std::cerr << "benchreport: " << arg << ": no such file or folder\n";
            inputs.failed = true;
        } else if (fs::is_directory(status)) {
            std::vector<fs::path> found;
            for (fs::directory_iterator it(arg, ec), end; !ec && it != end; it.increment(ec)) {
                if (isResultsFileName(it->path().filename().string())) found.push_back(it->path());
            }
            if (ec) {
                std::cerr << "benchreport: " << arg << ": " << ec.message() << "\n";
                inputs.failed = true;
            }
            std::sort(found.begin(), found.end());
            if (found.empty()) std::cerr << "benchreport: " << arg << ": no results_*.txt files\n";
            inputs.files.insert(inputs.files.end(), found.begin(), found.end());
        } else {
            inputs.files.emplace_back(arg);
        }
    }
    return inputs;
}

}  // namespace

JobFiles readJobFiles(const std::vector<std::string>& args) {
    const Inputs inputs = collectInputs(args);
    JobFiles out;
    out.failed = inputs.failed;
    // The job.json beside each file, read once per folder.
    std::map<fs::path, std::optional<JobMetadata>> jobs;
    for (const fs::path& path : inputs.files) {
        const fs::path dir = path.has_parent_path() ? path.parent_path() : fs::path(".");
        auto job = jobs.find(dir);
        if (job == jobs.end()) {
            std::optional<JobMetadataOutcome> outcome = readJobJson(dir);
            if (outcome) {
                for (const std::string& warning : outcome->warnings)
                    std::cerr << "benchreport: warning: " << warning << "\n";
            }
            job =
                jobs.emplace(dir, outcome ? std::optional(outcome->metadata) : std::nullopt).first;
        }
        ParsedFile file;
        file.file = path.string();
        std::string text;
        file.readError = readWhole(path, text);
        if (!file.readError) {
            file.outcome = parseResults(text, path.filename().string());
            if (job->second && !file.outcome.error)
                describeFromJob(file, *job->second);
        }
        out.parsed.push_back(std::move(file));
    }
    for (const auto& [dir, job] : jobs) {
        if (job) out.metadata.push_back(*job);
    }
    return out;
}
