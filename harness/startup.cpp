// Program entry shared by both programs: MPI start-up, the refusals, and the split into the
// announcing process 0 and the window processes.
#include <GL/freeglut.h>
#include <mpi.h>

#include <cstdio>
#include <cstdlib>

#include "process_values.h"
#include "report_output.h"

const unsigned int windowDisplayMode = GLUT_RGBA | GLUT_DOUBLE | GLUT_ACCUM | GLUT_ALPHA |
                                       GLUT_DEPTH | GLUT_STENCIL | GLUT_MULTISAMPLE;

namespace {

constexpr int windowSize = 1440;
constexpr int windowStride = 100;

[[noreturn]] void refuseThreadLevel() {
    std::printf("MPI do not Support Multiple thread\n");
    // Finalising keeps the job's end orderly, so the launcher keeps every process's line.
    MPI_Finalize();
    std::exit(0);
}

[[noreturn]] void refuseSize() {
    if (rank == 0) writeLines(tooManyProcessesLines(*program));
    MPI_Finalize();
    std::exit(0);
}

int announce() {
    writeLines(announcerLines(*program));
    MPI_Finalize();
    return 0;
}

}  // namespace

int runBenchmark(int& argc, char**& argv, const ProgramDescription& description,
                 const Workload& scene) {
    program = &description;
    workload = &scene;

    MPI_Init_thread(&argc, &argv, MPI_THREAD_MULTIPLE, &threadLevelProvided);
    MPI_Comm_size(MPI_COMM_WORLD, &worldSize);
    MPI_Comm_rank(MPI_COMM_WORLD, &rank);
    int nameLength = 0;
    MPI_Get_processor_name(processorName, &nameLength);

    if (threadLevelProvided != MPI_THREAD_MULTIPLE) refuseThreadLevel();
    if (worldSize > MaxRanks) refuseSize();
    if (rank == 0) return announce();

    RunSlot& slot = ownSlot();
    openResultsFile();
    writeLines(bannerLines(*program));
    overlayText = program->overlayText;

    slot.runStart = MPI_Wtime();
    glutInit(&argc, argv);
    glutInitDisplayMode(windowDisplayMode);
    glutInitWindowSize(windowSize, windowSize);
    glutInitWindowPosition(windowStride * rank, windowStride * rank);
    windowTitle = windowTitleFor(program->windowName, rank);
    slot.windowId = glutCreateWindow(windowTitle.c_str());

    glGetIntegerv(GL_RED_BITS, &redBits);
    glGetIntegerv(GL_GREEN_BITS, &greenBits);
    glGetIntegerv(GL_BLUE_BITS, &blueBits);
    writeLine(ReportSink::Console, "");

    applyRenderState();
    workload->prepareScene();
    slot.initEnd = MPI_Wtime();
    slot.initTime = slot.initEnd - slot.runStart;
    writeLines(initializationLines(rank, processorName, slot.initTime));

    glutDisplayFunc(onDisplay);
    glutReshapeFunc(onReshape);
    glutIdleFunc(onIdle);
    glutMouseFunc(onMouse);
    glutKeyboardFunc(onKeyboard);
    glutMainLoop();

    closeRun();
    return 0;
}
