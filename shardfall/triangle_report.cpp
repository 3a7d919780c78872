// Triangle report texts.
#include "triangle_report.h"

#include "report_text.h"
#include "triangle_texts.h"

FrameLines triangleFrameLines(std::int64_t trianglesThisFrame, double frameTime,
                              double trianglesPerSec) {
    return {{filledLine(trianglesDrawnText, formatNumber(trianglesThisFrame)),
             filledLine(triangleFrameTimeText, formatNumber(frameTime))},
            {filledLine(trianglesRateText, formatNumber(trianglesPerSec))}};
}

std::string triangleSummaryLine(std::int64_t trianglesTotal, double totalTime) {
    return filledLine(averageTrianglesText,
                      formatNumber(static_cast<double>(trianglesTotal) / totalTime));
}
