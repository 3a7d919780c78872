// Reading a job from disk: the results files named (a folder stands for its results_*.txt
// files) parsed, each with the GL renderer from the job.json beside it.
#pragma once

#include <string>
#include <vector>

#include "job_metadata.h"
#include "job_report.h"

struct JobFiles {
    std::vector<ParsedFile> parsed;
    std::vector<JobMetadata> metadata;  // one per folder with a readable job.json
    bool failed = false;                // an argument named nothing readable
};

// Missing arguments, folders without results files and job.json warnings are told on stderr.
JobFiles readJobFiles(const std::vector<std::string>& args);
