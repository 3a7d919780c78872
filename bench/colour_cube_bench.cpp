// What lanternis's start-up spends on its colour cube with 8 bits per channel: our own point
// arithmetic alone, and the whole display-list compile under the real GL on a private Xvfb, which
// is most of the initialisation time that lanternis reports.
#include <GL/freeglut.h>
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "colour_cube.h"
#include "lanternis_program.h"
#include "virtual_display.h"

namespace {

constexpr std::int32_t channelBits = 8;
// The test rig's screen: 24 bits deep, so a window gets 8 bits per channel.
constexpr const char* screenGeometry = "3200x3200x24";

void setCubeItems(benchmark::State& state) {
    state.SetItemsProcessed(state.iterations() *
                            static_cast<std::int64_t>(verticesPerFrameFor(channelBits, channelBits,
                                                                          channelBits)));
}

void onArithmeticPoint(const CubePoint& point) {
    CubePoint kept = point;
    benchmark::DoNotOptimize(kept);
}

// The walk lanternis builds its list with, handing each point to a sink instead of the GL.
void pointArithmetic(benchmark::State& state) {
    std::int32_t r, g, b;
    for (auto _ : state) {
        walkColourCube(channelBits, channelBits, channelBits, r, g, b, onArithmeticPoint);
    }
    setCubeItems(state);
}

// Why no GL window can be opened here; empty once GLUT is ready on a private Xvfb.
std::string openGlut() {
    if (!startVirtualDisplay(screenGeometry)) return "Xvfb did not start";
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return "the virtual display cannot be opened";
    int errorBase, eventBase;
    const bool hasGlx = glXQueryExtension(display, &errorBase, &eventBase);
    XCloseDisplay(display);
    if (!hasGlx) return "the virtual display has no GLX";
    int argc = 1;
    char name[] = "colour_cube_bench";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutInitDisplayMode(windowDisplayMode);
    return "";
}

// One window of lanternis's display mode, its context current, with the colour-bit counts that
// lanternis reads at start-up.
int openCubeWindow() {
    const int window = glutCreateWindow("colour_cube_bench");
    glGetIntegerv(GL_RED_BITS, &redBits);
    glGetIntegerv(GL_GREEN_BITS, &greenBits);
    glGetIntegerv(GL_BLUE_BITS, &blueBits);
    return window;
}

// Closes the window and, with it, its context and the list in it.
void closeCubeWindow(int window) {
    glutDestroyWindow(window);
    glutMainLoopEvent();
}

// lanternis's own scene preparation, in a fresh context every iteration.
void listCompile(benchmark::State& state) {
    static const std::string glutProblem = openGlut();
    if (!glutProblem.empty()) {
        state.SkipWithError(glutProblem.c_str());
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        const int window = openCubeWindow();
        if (redBits != channelBits || greenBits != channelBits || blueBits != channelBits) {
            closeCubeWindow(window);
            state.SkipWithError("the window does not have 8 bits per channel");
            break;
        }
        state.ResumeTiming();
        colourCubeWorkload.prepareScene();
        state.PauseTiming();
        closeCubeWindow(window);
        state.ResumeTiming();
    }
    setCubeItems(state);
}

}  // namespace

BENCHMARK(pointArithmetic)->Unit(benchmark::kMillisecond);
// Seconds per iteration on llvmpipe: a few iterations say enough.
BENCHMARK(listCompile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

BENCHMARK_MAIN();
