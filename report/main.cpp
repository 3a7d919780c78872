// benchreport: merges the results files of a shardfall or lanternis job into one report.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>

#include "command_line.h"
#include "job_metadata.h"
#include "job_report.h"
#include "plot.h"
#include "report_formats.h"

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

int main(int argc, char** argv) {
    const ArgumentsOutcome arguments =
        parseArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (arguments.error) {
        std::cerr << "benchreport: " << *arguments.error << "\nTry 'benchreport --help'.\n";
        return 2;
    }
    const Options& options = arguments.options;
    if (options.help) {
        std::cout << usageText();
        return 0;
    }

    const Inputs inputs = collectInputs(options.inputs);
    if (inputs.files.empty()) {
        std::cerr << "benchreport: no results file to report\n";
        return 2;
    }

    // The job.json beside each file, read once per folder.
    std::map<fs::path, std::optional<JobMetadata>> jobs;
    std::vector<ParsedFile> parsed;
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
            if (job->second && !file.outcome.error) describeFromJob(file, *job->second);
        }
        parsed.push_back(std::move(file));
    }
    std::vector<JobMetadata> metadata;
    for (const auto& [dir, job] : jobs) {
        if (job) metadata.push_back(*job);
    }

    const Report report = assembleReport(std::move(parsed), metadata);
    for (const FileFailure& failure : report.failures)
        std::cerr << "benchreport: " << failureText(failure) << "\n";

    switch (options.format) {
        case OutputFormat::Table: std::cout << formatTable(report); break;
        case OutputFormat::Csv: std::cout << formatCsv(report); break;
        case OutputFormat::Json: std::cout << formatJson(report); break;
    }
    std::cout.flush();

    bool failed = inputs.failed || !report.failures.empty();
    if (options.plot) {
        if (const std::optional<std::string> error = writePlot(report, *options.plot)) {
            std::cerr << "benchreport: plot: " << *error << "\n";
            failed = true;
        }
    }
    return failed ? 1 : 0;
}
