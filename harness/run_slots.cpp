// The per-rank run records and the process-wide values, all in static storage.
#include <mpi.h>
#include <unistd.h>

#include "harness.h"
#include "process_values.h"

RunSlot runSlots[MaxRanks];

std::int32_t rank;
std::int32_t worldSize;
std::int32_t threadLevelProvided;
char processorName[MPI_MAX_PROCESSOR_NAME];
std::int32_t redBits;
std::int32_t greenBits;
std::int32_t blueBits;

// Taken before main so that a later change of directory cannot alter where results are said to be.
// A current directory that cannot be read (removed meanwhile) leaves an empty text.
const char* const startDirectory = [] {
    const char* directory = getcwd(nullptr, 0);
    return directory != nullptr ? directory : "";
}();

std::string dateStamp;
std::string resultsFileName;
std::string resultsPath;
std::string overlayText;
std::string windowTitle;

const ProgramDescription* program;
const Workload* workload;

RunSlot& ownSlot() { return runSlots[rank]; }
