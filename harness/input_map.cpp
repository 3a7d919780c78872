// Key and mouse map and the aspect-preserving projection box.
#include "input_map.h"

InputAction keyAction(unsigned char key) {
    switch (key) {
        case 27: return InputAction::Quit;
        case 'C': case 'c': return InputAction::Step;
        case 'P': case 'p': return InputAction::Pause;
        case 'R': case 'r': return InputAction::Run;
        default: return InputAction::None;
    }
}

InputAction mouseAction(int button, int state) {
    constexpr int leftButton = 0, rightButton = 2, pressed = 0;
    if (state != pressed) return InputAction::None;
    if (button == leftButton) return InputAction::Run;
    if (button == rightButton) return InputAction::Pause;
    return InputAction::None;
}

bool projectionBoxFor(int width, int height, ProjectionBox& box) {
    if (width == 0 || height == 0) return false;
    const double w = width;
    const double h = height;
    if (w > h) {
        box = {-w / h, w / h, -1.0, 1.0};
    } else {
        box = {-1.0, 1.0, -h / w, h / w};
    }
    return true;
}
