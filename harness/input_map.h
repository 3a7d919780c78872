// What the keys and mouse buttons do, and the projection a window size gets. Pure functions.
#pragma once

#include <cstdint>

enum class InputAction { None, Run, Pause, Step, Quit };

InputAction keyAction(unsigned char key);
InputAction mouseAction(int button, int state);

// Orthographic box that keeps the window's aspect ratio: the shorter side spans -1 to 1.
struct ProjectionBox {
    double left;
    double right;
    double bottom;
    double top;
};

// False for a zero width or height, which has no aspect ratio; the last projection then stays.
bool projectionBoxFor(int width, int height, ProjectionBox& box);
