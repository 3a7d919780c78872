// The triangle scene: one indexed batch drawn from the number buffer, growing every step.
#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>

#include "growth_rule.h"
#include "number_buffer.h"
#include "number_fill.h"
#include "shardfall_program.h"
#include "triangle_report.h"

namespace {

struct TriangleSlot {
    std::int64_t elementCount;
    std::int64_t trianglesThisFrame;
    double trianglesPerSec;
    std::int64_t trianglesTotal;
};

TriangleSlot triangleSlots[MaxRanks];

TriangleSlot& ownTriangles() { return triangleSlots[rank]; }

void prepareScene() {
    const FillPathChoice fill = chooseFillPath(std::getenv(FillPathVariable), fillPathSupported);
    if (!fill.warning.empty()) {
        std::fprintf(stderr, "shardfall: %s\n", fill.warning.c_str());
    }

    glColorPointer(3, GL_DOUBLE, 0, numberBuffer);
    glVertexPointer(3, GL_DOUBLE, 0, numberBuffer);
    glNormalPointer(GL_DOUBLE, 0, numberBuffer);

    RunSlot& slot = ownSlot();
    slot.displayList = glGenLists(1);
    glNewList(slot.displayList, GL_COMPILE);
    glPushMatrix();
    glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
    fillNumbers(numberBuffer, NumberCount, fill.path);
    glPopClientAttrib();
    glPopMatrix();
    glEndList();
}

void drawScene() {
    const RunSlot& slot = ownSlot();
    TriangleSlot& triangles = ownTriangles();
    triangles.elementCount = elementCountFor(growthValue(slot.angleStep, slot.framesCounted));
    if (triangles.elementCount > ElementLimit) {
        writeLine(ReportSink::Console, LimitLine);
        finishRun(true);
    }
    glCallList(slot.displayList);
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(triangles.elementCount), GL_UNSIGNED_BYTE,
                   numberBuffer);
}

FrameLines recordFrame(double frameTime) {
    TriangleSlot& triangles = ownTriangles();
    triangles.trianglesThisFrame = trianglesForCount(triangles.elementCount);
    triangles.trianglesPerSec = static_cast<double>(triangles.trianglesThisFrame) / frameTime;
    triangles.trianglesTotal += triangles.trianglesThisFrame;
    return triangleFrameLines(triangles.trianglesThisFrame, frameTime, triangles.trianglesPerSec);
}

std::vector<std::string> writeSummary() {
    return {triangleSummaryLine(ownTriangles().trianglesTotal, ownSlot().totalTime)};
}

}  // namespace

const Workload triangleWorkload{
    .prepareScene = prepareScene,
    .drawScene = drawScene,
    .recordFrame = recordFrame,
    .writeSummary = writeSummary,
};
