// Test fixture: the harness with a workload that draws nothing, run with the description of
// either program (PROBE_PROGRAM=shardfall or lanternis), so that harness runs take no time.
// Its head line names the frame's step and time, so that tests can follow steps and sums.
// When the harness stops the idle steps (a pause input), it says so on stderr, with the frames
// measured so far and whether a frame is still due, so that tests can wait for a pause that
// the output proves.
#include <GL/freeglut.h>
#include <GL/gl.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "lanternis_program.h"
#include "report_text.h"
#include "shardfall_program.h"

namespace {

// A redisplay asked for since the last frame drew its scene.
bool redisplayDue = false;

void prepareScene() {
    RunSlot& slot = ownSlot();
    slot.displayList = glGenLists(1);
    glNewList(slot.displayList, GL_COMPILE);
    glEndList();
}

void drawScene() {
    redisplayDue = false;
    glCallList(ownSlot().displayList);
}

FrameLines recordFrame(double frameTime) {
    return {{"Probe step " + formatNumber(ownSlot().angleStep) + " spent " + formatNumber(frameTime)},
            {"Probe tail."}};
}

std::vector<std::string> writeSummary() { return {"Probe summary."}; }

const Workload probeWorkload{prepareScene, drawScene, recordFrame, writeSummary};

}  // namespace

// The harness's calls of these two reach freeglut through here.
extern "C" void glutPostWindowRedisplay(int window) {
    static const auto next =
        reinterpret_cast<void (*)(int)>(dlsym(RTLD_NEXT, "glutPostWindowRedisplay"));
    redisplayDue = true;
    next(window);
}

extern "C" void glutIdleFunc(void (*callback)()) {
    static const auto next =
        reinterpret_cast<void (*)(void (*)())>(dlsym(RTLD_NEXT, "glutIdleFunc"));
    if (callback == nullptr) {
        std::fprintf(stderr, "probe: paused after %lld measured frames, %d frame due\n",
                     static_cast<long long>(ownSlot().framesCounted), redisplayDue ? 1 : 0);
        std::fflush(stderr);
    }
    next(callback);
}

int main(int argc, char** argv) {
    const char* as = std::getenv("PROBE_PROGRAM");
    const bool lanternis = as != nullptr && std::strcmp(as, "lanternis") == 0;
    return runBenchmark(argc, argv, lanternis ? lanternisDescription : shardfallDescription,
                        probeWorkload);
}
