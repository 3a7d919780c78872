// Process-wide values and the harness's internal entry points, shared by its own files only.
#pragma once

#include <string>

#include "harness.h"

extern const char* const startDirectory;
extern std::string dateStamp;
extern std::string resultsFileName;
extern std::string resultsPath;
extern std::string overlayText;
extern std::string windowTitle;

// The program being run and its workload, set once at start-up.
extern const ProgramDescription* program;
extern const Workload* workload;

// Names and opens this process's results file; says so on the console when it cannot.
void openResultsFile();

// Ends the run when the GLUT main loop returns.
void closeRun();

// The fixed render state of every frame.
void applyRenderState();

// GLUT callbacks.
void onDisplay();
void onReshape(int width, int height);
void onIdle();
void onMouse(int button, int state, int x, int y);
void onKeyboard(unsigned char key, int x, int y);
