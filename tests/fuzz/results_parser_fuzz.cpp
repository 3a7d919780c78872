// libFuzzer target: any bytes as a results file, through parsing, figures and every output
// format; and the same bytes as a job.json.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "job_metadata.h"
#include "job_report.h"
#include "report_formats.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    ParsedFile file;
    file.file = "fuzz";
    // The name lets a file that ends during start-up still be read.
    file.outcome = parseResults(text,
                                "results_shardfall_windows_mac_mx @ 1 of vm @ local date "
                                "2026.12.11 time 11.25.31.txt");
    std::vector<ParsedFile> files{file, file};
    files[1].outcome.run.rank += 1;
    const JobMetadataOutcome job = parseJobJson(text);
    const Report report = assembleReport(std::move(files), {job.metadata});
    formatTable(report);
    formatCsv(report);
    formatJson(report);
    return 0;
}
