// The report sinks, the results file and the two ends of a run.
#include "report_output.h"

#include <mpi.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <iostream>

#include "process_values.h"

namespace {

// Why the results file holds less than the console: set when the open or a later write fails, so
// that the end of the run does not claim the results were saved.
std::string resultsFailure;

std::string currentResultsPath() { return joinPath(startDirectory, resultsFileName); }

}  // namespace

void writeLine(ReportSink sink, const std::string& text) {
    if (sink == ReportSink::Console) {
        std::cout << text << '\n' << std::flush;
        return;
    }
    std::ofstream& file = ownSlot().resultsFile;
    if (!file.is_open()) return;
    errno = 0;
    file << text << '\n' << std::flush;
    if (!file && resultsFailure.empty()) {
        resultsFailure = errno != 0 ? std::strerror(errno) : "write failed";
    }
}

void writeLines(const ReportLines& lines) {
    for (const ReportLine& line : lines) writeLine(line.sink, line.text);
}

void openResultsFile() {
    const std::time_t now = std::time(nullptr);
    std::tm localTime{};
    localtime_r(&now, &localTime);
    dateStamp = dateStampFor(localTime);
    resultsFileName = resultsFileNameFor(program->resultsFilePrefix, rank, processorName, dateStamp);

    errno = 0;
    ownSlot().resultsFile.open(resultsFileName, std::ios::out | std::ios::trunc);
    if (!ownSlot().resultsFile.is_open()) {
        resultsFailure = errno != 0 ? std::strerror(errno) : "cannot open";
        writeLine(ReportSink::Console, resultsOpenFailureLine(currentResultsPath(), resultsFailure));
    }
}

void finishRun(bool atLimit) {
    const RunSlot& slot = ownSlot();
    resultsPath = currentResultsPath();
    writeLines(finishRunLines(*program, {rank, slot.totalTime, slot.framesCounted},
                              workload->writeSummary(), atLimit));
    // Decided after the summary went to the file, so that a failed write there is not called saved.
    writeLines(finishRunLocationLines(*program, resultsLocationLine(resultsPath, resultsFailure),
                                      atLimit));
    MPI_Finalize();
    // Ends at once, without exit handlers or static destructors: every line is already flushed.
    _exit(0);
}

void closeRun() {
    resultsPath = currentResultsPath();
    writeLines(closeRunLines());
    writeLines(closeRunLocationLines(*program, resultsLocationLine(resultsPath, resultsFailure)));
    ownSlot().resultsFile.close();
    MPI_Finalize();
}
