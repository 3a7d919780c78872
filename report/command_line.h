// The command lines of benchreport and of benchreport compare.
#pragma once

#include <optional>
#include <string>
#include <vector>

enum class OutputFormat { Table, Csv, Json };

struct Options {
    OutputFormat format = OutputFormat::Table;
    std::optional<std::string> plot;
    std::vector<std::string> inputs;
    bool help = false;
};

struct ArgumentsOutcome {
    Options options;
    std::optional<std::string> error;  // a usage error
};

// args without the program name.
ArgumentsOutcome parseArguments(const std::vector<std::string>& args);

std::string usageText();

struct CompareOptions {
    OutputFormat format = OutputFormat::Table;
    double alpha = 0.05;
    bool force = false;
    std::optional<std::string> plot;
    std::vector<std::string> base, next;  // each a folder or results files
    bool help = false;
};

struct CompareArgumentsOutcome {
    CompareOptions options;
    std::optional<std::string> error;
};

// args after "compare". BASE and NEW are two arguments, or two lists split by a lone "vs".
CompareArgumentsOutcome parseCompareArguments(const std::vector<std::string>& args);

std::string compareUsageLine();
std::string compareUsageText();
