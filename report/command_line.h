// The command line of benchreport.
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
