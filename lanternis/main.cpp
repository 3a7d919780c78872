// lanternis: vertices per second of a lit point for every colour, one window per MPI process.
#include "lanternis_program.h"

int main(int argc, char** argv) {
    return runBenchmark(argc, argv, lanternisDescription, colourCubeWorkload);
}
