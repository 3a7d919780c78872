// shardfall's texts and its choices among the harness's per-program variations.
#include "shardfall_program.h"
#include "triangle_texts.h"

const ProgramDescription shardfallDescription{
    .windowName = "OPENGL Shardfall",
    .bannerLine = std::string(shardfallBannerLine),
    .overlayText = "\nPress Key R or Press Mouse Left button to Animate.\nPress Key C to Animate "
                   "Manually.\nPress Key P or Press Mouse Right button to Pause.\nPress Key Esc to "
                   "Exit.\n",
    .resultsFilePrefix = std::string(shardfallResultsPrefix),
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
