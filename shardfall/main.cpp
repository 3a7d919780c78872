// shardfall: triangles per second of one growing indexed batch, one window per MPI process.
#include "shardfall_program.h"

int main(int argc, char** argv) {
    return runBenchmark(argc, argv, shardfallDescription, triangleWorkload);
}
