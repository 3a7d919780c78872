#!/usr/bin/env bash
# Quick start: installs what is missing, builds, and runs shardfall with one window rank for a
# bounded time, then presses Esc so that the frame blocks, the summary and the results location
# appear. Uses the current display when one works, otherwise a private Xvfb.
#
#   scripts/run-shardfall.sh [SECONDS]     (default 15 seconds after the window is initialised)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:-15}

bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target shardfall >/dev/null

xvfb_pid=
mpirun_pid=
cleanup() {
  [ -n "$mpirun_pid" ] && kill "$mpirun_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 3200x3200x24 -nolisten tcp 3>"$fifo" 2>/dev/null &
  xvfb_pid=$!
  read -r number <"$fifo"
  rm -f "$fifo"
  export DISPLAY=":$number"
  echo "(running on a private virtual display $DISPLAY)"
fi

rundir="$root/runs/shardfall-$(date +%Y%m%d-%H%M%S)"
mkdir -p "$rundir"
log="$rundir/console.txt"
mpi_args=(--oversubscribe -np 2)
[ "$(id -u)" -eq 0 ] && mpi_args=(--allow-run-as-root "${mpi_args[@]}")

cd "$rundir"
mpirun "${mpi_args[@]}" "$root/build/shardfall/shardfall" > >(tee "$log") 2>&1 &
mpirun_pid=$!

# Wait for the window rank's initialisation line (the fill of its number buffer takes seconds).
for _ in $(seq 600); do
  grep -q 'Secs to Initialize\.$' "$log" 2>/dev/null && break
  kill -0 "$mpirun_pid" 2>/dev/null || break
  sleep 0.2
done
sleep "$seconds"

window=$(xdotool search --name '^OPENGL Shardfall Thread: 1$' 2>/dev/null | head -n 1 || true)
if [ -n "$window" ]; then
  xdotool key --window "$window" Escape 2>/dev/null
fi
status=0
wait "$mpirun_pid" || status=$?
mpirun_pid=
echo
echo "Console saved in: $log"
echo "Results files in: $rundir"
exit "$status"
