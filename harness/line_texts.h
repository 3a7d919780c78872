// The fixed parts of the report lines that the harness writes: one home for each text, used by
// the writer (report_text.cpp) and by readers of the results files (benchreport). Only
// std::string_view constants, so that a reader needs nothing else of the harness.
#pragma once

#include <string_view>

// A line of one number between two fixed texts.
struct LineText {
    std::string_view prefix;
    std::string_view suffix;
};

// "Window <rank>@ <host> spent: <seconds> Secs to Initialize."
inline constexpr std::string_view initializationStart = "Window ";
inline constexpr std::string_view initializationHost = "@ ";
inline constexpr std::string_view initializationSpent = " spent: ";
inline constexpr std::string_view initializationEnd = " Secs to Initialize.";

// "window: <rank> @ <host>", the head of every frame block.
inline constexpr std::string_view windowLineStart = "window: ";
inline constexpr std::string_view windowLineHost = " @ ";

inline constexpr LineText anglesText{"It was: ", " Angles/sec."};
// Followed by the rank.
inline constexpr LineText totalTimeText{"Total running time:  ", " Secs. @ window: "};
inline constexpr LineText averageAnglesText{"Average Angles/Sec: ", " Angles/Sec."};

// "<prefix> @ <rank> of <host> @ local date YYYY.MM.DD time HH.MM.SS.txt"
inline constexpr std::string_view resultsNameRank = " @ ";
inline constexpr std::string_view resultsNameHost = " of ";
inline constexpr std::string_view resultsNameDate = " @ ";
inline constexpr const char* resultsNameDateFormat = "local date %Y.%m.%d time %H.%M.%S.txt";
