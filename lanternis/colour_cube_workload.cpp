// The colour-cube scene: every colour of the window as one lit point, compiled once into a display
// list and replayed every frame.
#include <GL/gl.h>

#include "colour_cube.h"
#include "lanternis_program.h"
#include "report_text.h"
#include "vertex_texts.h"

namespace {

struct VertexSlot {
    double verticesPerSec;
    double verticesTotal;
};

VertexSlot vertexSlots[MaxRanks];

std::int32_t redIndex;
std::int32_t greenIndex;
std::int32_t blueIndex;

double verticesPerFrame() { return verticesPerFrameFor(redBits, greenBits, blueBits); }

void prepareScene() {
    glPolygonMode(GL_FRONT_AND_BACK, GL_POINT);
    glFrontFace(GL_CCW);
    glFrontFace(GL_CW);

    RunSlot& slot = ownSlot();
    slot.displayList = glGenLists(1);
    glNewList(slot.displayList, GL_COMPILE);
    glPushMatrix();
    glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
    glBegin(GL_POINTS);
    walkColourCube(redBits, greenBits, blueBits, redIndex, greenIndex, blueIndex,
                   [](const CubePoint& point) {
                       glNormal3d(point.normal[0], point.normal[1], point.normal[2]);
                       glColor3d(point.colour[0], point.colour[1], point.colour[2]);
                       glVertex3d(point.vertex[0], point.vertex[1], point.vertex[2]);
                   });
    glEnd();
    glPopClientAttrib();
    glPopMatrix();
    glEndList();
}

void drawScene() { glCallList(ownSlot().displayList); }

FrameLines recordFrame(double frameTime) {
    VertexSlot& vertices = vertexSlots[rank];
    vertices.verticesPerSec = verticesPerFrame() / frameTime;
    vertices.verticesTotal = verticesPerFrame() * static_cast<double>(ownSlot().framesCounted);
    return {{filledLine(vertexFrameTimeText, formatNumber(frameTime))},
            {filledLine(verticesRateText, formatNumber(vertices.verticesPerSec))}};
}

std::vector<std::string> writeSummary() {
    return {filledLine(averageVerticesText,
                       formatNumber(vertexSlots[rank].verticesTotal / ownSlot().totalTime))};
}

}  // namespace

const Workload colourCubeWorkload{
    .prepareScene = prepareScene,
    .drawScene = drawScene,
    .recordFrame = recordFrame,
    .writeSummary = writeSummary,
};
