// Test fixture: the harness with a workload that draws nothing, run with the description of
// either program (PROBE_PROGRAM=shardfall or lanternis), so that harness runs take no time.
// Its head line names the frame's step and time, so that tests can follow steps and sums.
#include <GL/gl.h>

#include <cstdlib>
#include <cstring>

#include "lanternis_program.h"
#include "report_text.h"
#include "shardfall_program.h"

namespace {

void prepareScene() {
    RunSlot& slot = ownSlot();
    slot.displayList = glGenLists(1);
    glNewList(slot.displayList, GL_COMPILE);
    glEndList();
}

void drawScene() { glCallList(ownSlot().displayList); }

FrameLines recordFrame(double frameTime) {
    return {{"Probe step " + formatNumber(ownSlot().angleStep) + " spent " + formatNumber(frameTime)},
            {"Probe tail."}};
}

std::vector<std::string> writeSummary() { return {"Probe summary."}; }

const Workload probeWorkload{prepareScene, drawScene, recordFrame, writeSummary};

}  // namespace

int main(int argc, char** argv) {
    const char* as = std::getenv("PROBE_PROGRAM");
    const bool lanternis = as != nullptr && std::strcmp(as, "lanternis") == 0;
    return runBenchmark(argc, argv, lanternis ? lanternisDescription : shardfallDescription,
                        probeWorkload);
}
