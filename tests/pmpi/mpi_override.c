/* Test fixture, loaded with LD_PRELOAD: lets a test make MPI grant a lower thread level
 * (MPI_OVERRIDE_THREAD_LEVEL) or report another job size (MPI_OVERRIDE_WORLD_SIZE) through the
 * MPI profiling interface, to reach the refusal paths without thousands of processes. */
#include <mpi.h>
#include <stdlib.h>

static int overrideFrom(const char* name, int* value) {
    const char* text = getenv(name);
    if (text == NULL || *text == '\0') return 0;
    *value = atoi(text);
    return 1;
}

int MPI_Init_thread(int* argc, char*** argv, int required, int* provided) {
    int result = PMPI_Init_thread(argc, argv, required, provided);
    overrideFrom("MPI_OVERRIDE_THREAD_LEVEL", provided);
    return result;
}

int MPI_Comm_size(MPI_Comm comm, int* size) {
    int result = PMPI_Comm_size(comm, size);
    if (comm == MPI_COMM_WORLD) overrideFrom("MPI_OVERRIDE_WORLD_SIZE", size);
    return result;
}
