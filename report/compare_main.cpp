#include "compare_main.h"

#include <iostream>

#include "command_line.h"
#include "comparison_formats.h"
#include "comparison_plot.h"
#include "job_comparison.h"
#include "job_files.h"

namespace {

std::string labelOf(const std::vector<std::string>& args) {
    std::string out;
    for (const std::string& arg : args) out += (out.empty() ? "" : " ") + arg;
    return out;
}

struct ReadSide {
    ComparedJob job;
    bool failed = false;
    std::optional<std::string> usageError;
};

ReadSide readSide(const std::vector<std::string>& args, const std::string& name) {
    ReadSide out;
    out.job.label = labelOf(args);
    JobFiles files = readJobFiles(args);
    out.failed = files.failed;
    if (files.parsed.empty()) {
        out.usageError = "no results file in " + name + " (" + out.job.label + ")";
        return out;
    }
    out.job.metadata = files.metadata;
    out.job.report = assembleReport(std::move(files.parsed), files.metadata);
    for (const FileFailure& failure : out.job.report.failures) {
        std::cerr << "benchreport: " << failureText(failure) << "\n";
        out.failed = true;
    }
    if (out.job.report.ranks.empty()) {
        out.usageError = "no readable results file in " + name + " (" + out.job.label + ")";
    } else if (!out.job.report.job.program) {
        out.usageError = name + " holds results of both programs (" + out.job.label + ")";
    }
    return out;
}

}  // namespace

int compareMain(const std::vector<std::string>& args) {
    const CompareArgumentsOutcome arguments = parseCompareArguments(args);
    if (arguments.error) {
        std::cerr << "benchreport compare: " << *arguments.error << "\n"
                  << compareUsageLine() << "Try 'benchreport compare --help'.\n";
        return 2;
    }
    const CompareOptions& options = arguments.options;
    if (options.help) {
        std::cout << compareUsageText();
        return 0;
    }
    const ReadSide base = readSide(options.base, "BASE");
    const ReadSide next = readSide(options.next, "NEW");
    for (const ReadSide* side : {&base, &next}) {
        if (side->usageError) {
            std::cerr << "benchreport compare: " << *side->usageError << "\n"
                      << compareUsageLine();
            return 2;
        }
    }

    const std::vector<std::string> differences = workDifferences(base.job, next.job);
    if (!differences.empty() && !options.force) {
        std::cerr << "benchreport compare: refused: " << differences.front()
                  << " (--force compares anyway)\n";
        return 2;
    }
    Comparison comparison = compareJobs(base.job, next.job, options.alpha);
    std::vector<std::string> forced;
    for (const std::string& difference : differences) forced.push_back("forced: " + difference);
    comparison.notes.insert(comparison.notes.begin(), forced.begin(), forced.end());

    switch (options.format) {
        case OutputFormat::Table:
            std::cout << formatComparisonTable(comparison, base.job.label, next.job.label);
            break;
        case OutputFormat::Csv: std::cout << formatComparisonCsv(comparison); break;
        case OutputFormat::Json: std::cout << formatComparisonJson(comparison); break;
    }
    std::cout.flush();

    bool failed = base.failed || next.failed;
    if (options.plot) {
        if (const auto error =
                writeComparisonPlot(base.job.report, next.job.report, comparison, *options.plot)) {
            std::cerr << "benchreport compare: plot: " << *error << "\n";
            failed = true;
        }
    }
    return failed ? 1 : 0;
}
