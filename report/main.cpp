// benchreport: merges the results files of a shardfall or lanternis job into one report, or
// compares two jobs (benchreport compare).
#include <iostream>

#include "command_line.h"
#include "compare_main.h"
#include "job_files.h"
#include "job_report.h"
#include "plot.h"
#include "report_formats.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && args.front() == "compare")
        return compareMain(std::vector<std::string>(args.begin() + 1, args.end()));
    const ArgumentsOutcome arguments = parseArguments(args);
    if (arguments.error) {
        std::cerr << "benchreport: " << *arguments.error << "\nTry 'benchreport --help'.\n";
        return 2;
    }
    const Options& options = arguments.options;
    if (options.help) {
        std::cout << usageText();
        return 0;
    }

    JobFiles files = readJobFiles(options.inputs);
    if (files.parsed.empty()) {
        std::cerr << "benchreport: no results file to report\n";
        return 2;
    }
    const Report report = assembleReport(std::move(files.parsed), files.metadata);
    for (const FileFailure& failure : report.failures)
        std::cerr << "benchreport: " << failureText(failure) << "\n";

    switch (options.format) {
        case OutputFormat::Table: std::cout << formatTable(report); break;
        case OutputFormat::Csv: std::cout << formatCsv(report); break;
        case OutputFormat::Json: std::cout << formatJson(report); break;
    }
    std::cout.flush();

    bool failed = files.failed || !report.failures.empty();
    if (options.plot) {
        if (const std::optional<std::string> error = writePlot(report, *options.plot)) {
            std::cerr << "benchreport: plot: " << *error << "\n";
            failed = true;
        }
    }
    return failed ? 1 : 0;
}
