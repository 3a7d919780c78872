#!/usr/bin/env bash
# Quick start: installs what is missing, builds, and runs shardfall with two window ranks for a
# bounded time through the launcher (on a private virtual display when no display works), then
# shows the job report and where the plot and the results files are.
#
#   scripts/run-shardfall.sh [SECONDS]     (default 20 seconds after each window is initialised)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}

bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target shardfall shardfall-workload benchreport >/dev/null

mkdir -p runs
exec scripts/benchjob --np 3 --seconds "$seconds" --display auto \
  --outdir "runs/shardfall-$(date +%Y%m%d-%H%M%S)" shardfall
