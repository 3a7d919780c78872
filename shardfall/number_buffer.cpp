// Allocation of the number buffer. Left uninitialised so that a process that never fills it
// (process 0, a refused process) does not touch its pages.
#include "number_buffer.h"

#include <cstdio>
#include <cstdlib>
#include <new>

namespace {

double* allocateNumberBuffer() {
    double* buffer = new (std::nothrow) double[NumberCount];
    if (buffer == nullptr) {
        std::fprintf(stderr,
                     "shardfall: cannot allocate the %lld-byte number buffer: out of memory\n",
                     static_cast<long long>(NumberCount * sizeof(double)));
        std::exit(EXIT_FAILURE);
    }
    return buffer;
}

}  // namespace

double* const numberBuffer = allocateNumberBuffer();
