// Reshape, idle, mouse and keyboard handlers. They change state and ask for frames; they draw
// nothing, and ending a run goes through finishRun.
#include <GL/freeglut.h>
#include <GL/glu.h>

#include <cmath>

#include "input_map.h"
#include "process_values.h"

namespace {

void apply(InputAction action) {
    RunSlot& slot = ownSlot();
    switch (action) {
        case InputAction::Run: glutIdleFunc(onIdle); break;
        case InputAction::Pause: glutIdleFunc(nullptr); break;
        case InputAction::Step:
            ++slot.angleStep;
            glutPostWindowRedisplay(slot.windowId);
            break;
        case InputAction::Quit: finishRun(false);
        case InputAction::None: break;
    }
}

}  // namespace

void onReshape(int width, int height) {
    glViewport(0, 0, width, height);
    ProjectionBox box{};
    if (!projectionBoxFor(width, height, box)) return;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(box.left, box.right, box.bottom, box.top, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(0.5, -0.5, 0.5, 0.0, std::sin(static_cast<double>(ownSlot().angleStep)), 0.0, 0.5, 0.5,
              0.5);
}

void onIdle() {
    RunSlot& slot = ownSlot();
    ++slot.angleStep;
    glutPostWindowRedisplay(slot.windowId);
}

void onMouse(int button, int state, int, int) { apply(mouseAction(button, state)); }

void onKeyboard(unsigned char key, int, int) { apply(keyAction(key)); }
