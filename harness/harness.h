// The benchmark harness shared by both programs.
//
// A program gives the harness two things: its description (texts and the few choices in which the
// programs differ) and its workload (scene and statistics). In return it may use its own run slot,
// the process-wide values, the report lines and the end of a run.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

// ---- What a program gives the harness -------------------------------------------------------

// The lines a workload reports for one measured frame: the head lines come after the window line,
// the tail lines after the angles line.
struct FrameLines {
    std::vector<std::string> head;
    std::vector<std::string> tail;
};

// The scene and statistics a program plugs into the frame pipeline.
struct Workload {
    void (*prepareScene)();                     // own render state, then the display list
    void (*drawScene)();                        // once per frame; may end the run
    FrameLines (*recordFrame)(double frameTime);  // measured frames, after the harness counted it
    std::vector<std::string> (*writeSummary)();   // the workload's summary lines
};

// Texts and per-program choices. The harness itself names no program.
struct ProgramDescription {
    std::string windowName;         // window title before " Thread: <rank>"
    std::string bannerLine;         // first line of the console and of every results file
    std::string overlayText;        // key help drawn over the scene
    std::string resultsFilePrefix;  // results file name before " @ <rank> of <host> @ <date>"
    std::string keyHelp[4];         // process 0's key help lines: R, C, P, Esc
    bool blankAfterInitializing;    // process 0 ends with an empty line after "Initializing . . ."
    bool spacedStartup;             // two empty lines after the banner in the file, one on the console
    bool clearBeforeClearValues;    // the frame clears first and sets the clear values afterwards
    bool twoSidedLighting;          // the frame switches two-sided lighting on
    bool nestedScenePush;           // the scene is drawn under a second matrix and client push
    bool spacedResultsLine;         // the quit summary puts empty lines around the results line
    bool resultsLineOnClose;        // a main loop that returns still names the results file
};

// Runs the whole program: MPI start-up, the process roles, the window and the GLUT main loop.
// Returns the process's exit status when it returns at all.
int runBenchmark(int& argc, char**& argv, const ProgramDescription& description,
                 const Workload& workload);

// ---- What a program may use -----------------------------------------------------------------

inline constexpr int MaxRanks = 4096;

// The GLUT display mode every window is opened with.
extern const unsigned int windowDisplayMode;

// The run record of one process, indexed by MPI rank; a process touches only its own entry.
struct RunSlot {
    std::int32_t windowId;
    std::int64_t angleStep;
    std::uint32_t displayList;
    double runStart;
    double initEnd;
    double initTime;
    double frameStart;
    double frameEnd;
    double frameTime;
    double anglesPerSec;
    double totalTime;
    std::int64_t framesCounted;
    std::ofstream resultsFile;
};

extern RunSlot runSlots[MaxRanks];

extern std::int32_t rank;
extern std::int32_t worldSize;
extern std::int32_t threadLevelProvided;
extern char processorName[];
extern std::int32_t redBits;
extern std::int32_t greenBits;
extern std::int32_t blueBits;

// This process's entry of runSlots.
RunSlot& ownSlot();

// Where a line goes: the shared console or this process's results file.
enum class ReportSink { Console, ResultsFile };

// Writes one whole line, a newline and a flush.
void writeLine(ReportSink sink, const std::string& text);

// Ends the run: summary, results location, MPI finalisation, process end with status 0.
// atLimit marks the end at the workload's size limit rather than the user's quit.
[[noreturn]] void finishRun(bool atLimit);
