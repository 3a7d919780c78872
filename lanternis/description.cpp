// lanternis's texts and its choices among the harness's per-program variations.
#include "lanternis_program.h"
#include "vertex_texts.h"

const ProgramDescription lanternisDescription{
    .windowName = "OPENGL Lanternis",
    .bannerLine = std::string(lanternisBannerLine),
    .overlayText = "\nPress Key R or Press Mouse Left button to Animate.\nPress Key C to Animate "
                   "Manually.\nPress Key P or Press Mouse Right button to Pause.\nPress Key Esc to "
                   "exit.\n",
    .resultsFilePrefix = std::string(lanternisResultsPrefix),
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
