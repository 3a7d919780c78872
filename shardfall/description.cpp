// shardfall's texts and its choices among the harness's per-program variations.
#include "shardfall_program.h"

const ProgramDescription shardfallDescription{
    .windowName = "OPENGL Shardfall",
    .bannerLine =
        "Velmora :: Parvolent Benchmark Graphics Shardfall for Windows on Mac Mx system 2023.03.06.",
    .overlayText = "\nPress Key R or Press Mouse Left button to Animate.\nPress Key C to Animate "
                   "Manually.\nPress Key P or Press Mouse Right button to Pause.\nPress Key Esc to "
                   "Exit.\n",
    .resultsFilePrefix = "results_shardfall_windows_mac_mx",
    .keyHelp = {"Press Key R or Press Mouse Left button to Animate.",
                "Press Key C to Animate Manually.",
                "Press Key P or Press Mouse Right button to Pause.", "Press Key Esc to Exit."},
    .blankAfterInitializing = false,
    .spacedStartup = true,
    .clearBeforeClearValues = false,
    .twoSidedLighting = true,
    .nestedScenePush = false,
    .spacedResultsLine = true,
    .resultsLineOnClose = false,
};
