#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test (unit and end-to-end); then
# builds the programs a second time against MPICH and runs there the end-to-end tests whose
# outcome depends on the MPI implementation (label "mpi").
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)"
(cd "$build" && ctest --output-on-failure "$@")

mpich=${MPICH_BUILD_DIR:-build-mpich}
cmake -S . -B "$mpich" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMPI_EXECUTABLE_SUFFIX=.mpich \
  -DBUILD_BENCHMARKS=OFF -DBENCHREPORT_FUZZ=OFF
# Only what those tests run.
cmake --build "$mpich" -j"$(nproc)" --target shardfall lanternis harness_probe mpi_override \
  benchreport
cd "$mpich"
ctest --output-on-failure -L mpi "$@"
