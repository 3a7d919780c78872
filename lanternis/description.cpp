// lanternis's texts and its choices among the harness's per-program variations.
#include "lanternis_program.h"

const ProgramDescription lanternisDescription{
    .windowName = "OPENGL Lanternis",
    .bannerLine =
        "Velmora :: Parvolent Benchmark Graphics Lanternis for Windows on Mac Mx system 2023.03.06.",
    .overlayText = "\nPress Key R or Press Mouse Left button to Animate.\nPress Key C to Animate "
                   "Manually.\nPress Key P or Press Mouse Right button to Pause.\nPress Key Esc to "
                   "exit.\n",
    .resultsFilePrefix = "results_lanternis_windows_mac_mx",
    .keyHelp = {"Press Key R or Press Mouse Left button to Animate.",
                "Press Key C to Animate Manually.",
                "Press Key P or Press Mouse Right button for Pause.", "Press Key Esc for exit."},
    .blankAfterInitializing = true,
    .spacedStartup = false,
    .clearBeforeClearValues = true,
    .twoSidedLighting = false,
    .nestedScenePush = true,
    .spacedResultsLine = false,
    .resultsLineOnClose = true,
};
