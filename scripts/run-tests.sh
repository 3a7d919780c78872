#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test (unit and end-to-end). Three more
# trees: a Clang build of the fill must write the same bytes as GCC's (and replays the fuzz corpus
# through the results parser); the programs build without the optional libraries; and the
# programs built against MPICH run the end-to-end tests whose outcome depends on the MPI
# implementation (label "mpi").
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)"

clang_build=${CLANG_BUILD_DIR:-build-clang}
cmake -S . -B "$clang_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DBUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$clang_build" -j"$(nproc)" \
  --target shardfall-workload number_fill_test results_parser_fuzz
(cd "$clang_build" && ctest --output-on-failure -R '^(NumberFill\.|FillPathChoice\.|results_parser_fuzz)')
gcc_workload=$("$build/shardfall/shardfall-workload")
clang_workload=$("$clang_build/shardfall/shardfall-workload")
if [ "$gcc_workload" != "$clang_workload" ]; then
  printf 'The GCC and Clang builds fill different workloads.\nGCC:\n%s\nClang:\n%s\n' \
    "$gcc_workload" "$clang_workload" >&2
  exit 1
fi
echo "GCC and Clang builds fill the same workload (${gcc_workload//$'\n'/, })"

(cd "$build" && ctest --output-on-failure "$@")

# Without the report's, the tests' and the benchmarks' libraries the programs still build.
minimal=${MINIMAL_BUILD_DIR:-build-minimal}
cmake -S . -B "$minimal" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON \
  -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON -DCMAKE_DISABLE_FIND_PACKAGE_nlohmann_json=ON |
  grep '^-- Not built: '
cmake --build "$minimal" -j"$(nproc)" --target shardfall lanternis

mpich=${MPICH_BUILD_DIR:-build-mpich}
cmake -S . -B "$mpich" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMPI_EXECUTABLE_SUFFIX=.mpich \
  -DBUILD_BENCHMARKS=OFF
# Only what those tests run.
cmake --build "$mpich" -j"$(nproc)" --target shardfall shardfall-workload lanternis \
  harness_probe mpi_override benchreport
cd "$mpich"
ctest --output-on-failure -L mpi "$@"
