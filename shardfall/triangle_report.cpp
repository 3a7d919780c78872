// Triangle report texts.
#include "triangle_report.h"

#include "report_text.h"

FrameLines triangleFrameLines(std::int64_t trianglesThisFrame, double frameTime,
                              double trianglesPerSec) {
    return {{"It drew " + formatNumber(trianglesThisFrame) + " Triangles.",
             "It spent: " + formatNumber(frameTime) + " Secs. "},
            {"It was: " + formatNumber(trianglesPerSec) + " Triangles/sec."}};
}

std::string triangleSummaryLine(std::int64_t trianglesTotal, double totalTime) {
    return "Average Triangles/Sec: " + formatNumber(static_cast<double>(trianglesTotal) / totalTime) +
           " Triangles/Sec.";
}
