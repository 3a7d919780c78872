// A private Xvfb, so that a benchmark draws with the real GL on a display of its own.
#pragma once

// Starts Xvfb with one screen of the given geometry (for example "3200x3200x24") and points
// DISPLAY at it. Returns false when no server came up. The server ends with this process.
bool startVirtualDisplay(const char* screen);
