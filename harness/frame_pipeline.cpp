// One frame: clear, turn and light the model, draw the workload and the key help, swap, and
// report the frame once the animation has begun.
#include <GL/freeglut.h>
#include <mpi.h>

#include "frame_values.h"
#include "process_values.h"
#include "report_output.h"

namespace {

constexpr GLbitfield allBuffers =
    GL_COLOR_BUFFER_BIT | GL_STENCIL_BUFFER_BIT | GL_ACCUM_BUFFER_BIT | GL_DEPTH_BUFFER_BIT;

void setClearValues() {
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);
    glClearStencil(0);
    glClearAccum(0.0f, 0.0f, 0.0f, 0.0f);
}

void pushFrameState() {
    glPushMatrix();
    glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
}

void popFrameState() {
    glPopClientAttrib();
    glPopMatrix();
}

void applyLighting(const StepLighting& l) {
    glLightfv(GL_LIGHT0, GL_POSITION, l.lightPosition.data());
    glLightfv(GL_LIGHT0, GL_SPOT_DIRECTION, l.spotDirection.data());
    glLightfv(GL_LIGHT0, GL_AMBIENT, l.lightAmbient.data());
    glLightfv(GL_LIGHT0, GL_DIFFUSE, l.lightDiffuse.data());

    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, l.materialSpecular.data());
    glMaterialfv(GL_FRONT_AND_BACK, GL_SHININESS, &l.shininess);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, l.materialAmbient.data());
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, l.materialDiffuse.data());
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, l.materialEmission.data());

    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, l.modelAmbient.data());
    glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, 1);
    if (program->twoSidedLighting) glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);

    glLogicOp(GL_XOR);

    glLightf(GL_LIGHT0, GL_CONSTANT_ATTENUATION, l.constantAttenuation);
    glLightf(GL_LIGHT0, GL_LINEAR_ATTENUATION, l.linearAttenuation);
    glLightf(GL_LIGHT0, GL_QUADRATIC_ATTENUATION, l.quadraticAttenuation);
}

void drawOverlay(std::int64_t angleStep) {
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    const int height = glutGet(GLUT_WINDOW_HEIGHT);
    const int width = glutGet(GLUT_WINDOW_WIDTH);
    glOrtho(0.0, width, 0.0, height, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();

    const std::array<float, 3> colour = overlayColour(angleStep, redBits, greenBits, blueBits);
    glColor3f(colour[0], colour[1], colour[2]);
    glRasterPos2d(10.0, overlayLineHeight(0));
    // A line break moves to the next line's start and is then handed to the font like any byte.
    int lineBreaks = 0;
    for (const char byte : overlayText) {
        if (byte == '\n') glRasterPos2d(10.0, overlayLineHeight(++lineBreaks));
        glutBitmapCharacter(GLUT_BITMAP_HELVETICA_18, static_cast<unsigned char>(byte));
    }

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
}

}  // namespace

void onDisplay() {
    RunSlot& slot = ownSlot();
    slot.frameStart = MPI_Wtime();

    if (program->clearBeforeClearValues) {
        glClear(allBuffers);
        setClearValues();
    } else {
        setClearValues();
        glClear(allBuffers);
    }

    pushFrameState();
    glScaled(1.0, 1.0, 1.0);
    glRotated(static_cast<double>(slot.angleStep) + 45.0, 1.0, 1.0, 1.0);
    glTranslated(-0.5, -0.5, -0.5);
    applyLighting(lightingForStep(slot.angleStep));

    if (program->nestedScenePush) pushFrameState();
    workload->drawScene();
    drawOverlay(slot.angleStep);
    if (program->nestedScenePush) popFrameState();
    popFrameState();

    glutSwapBuffers();
    const double end = MPI_Wtime();
    slot.frameEnd = end;
    slot.frameTime = end - slot.frameStart;
    if (slot.angleStep == 0) return;

    slot.anglesPerSec = 1.0 / slot.frameTime;
    slot.totalTime += slot.frameTime;
    ++slot.framesCounted;
    const FrameLines lines = workload->recordFrame(slot.frameTime);
    writeLines(frameReportLines(rank, processorName, slot.anglesPerSec, lines));
}
