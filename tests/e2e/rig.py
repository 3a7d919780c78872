"""End-to-end test rig: a private Xvfb, real MPI jobs, real keys and clicks, and the console and
results files of every rank.

The jobs run under the launcher of the MPI the build uses ($BENCH_MPIEXEC, "openmpi" or "mpich" in
$BENCH_MPI; Open MPI's mpirun when unset).

Everything waits on output with a timeout; nothing sleeps for a fixed time to let things happen.
Every process started here is ended by its pid when the test ends, also when it fails.
"""

import glob
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
import bench_support  # noqa: E402  (the launcher's own module, from scripts/)

BUILD_DIR = os.environ.get(
    "BENCH_BUILD_DIR",
    os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "build"))
MPIEXEC = os.environ.get("BENCH_MPIEXEC") or "mpirun"
MPI = os.environ.get("BENCH_MPI") or "openmpi"
# The world rank of a process started by either launcher, in sh syntax.
RANK_IN_SH = "${OMPI_COMM_WORLD_RANK:-$PMI_RANK}"


def launcher_options(ranks, wdir=None):
    """The launcher's options for a job of that many processes on this machine, started in wdir."""
    if MPI == "mpich":
        return ["-n", str(ranks)] + (["-wdir", wdir] if wdir else [])
    options = ["--allow-run-as-root"] if os.geteuid() == 0 else []
    return options + ["--oversubscribe", "-np", str(ranks)] + (["--wdir", wdir] if wdir else [])


def program_path(name):
    """Path of a built program: shardfall, lanternis or the harness probe."""
    candidates = {
        "shardfall": os.path.join(BUILD_DIR, "shardfall", "shardfall"),
        "lanternis": os.path.join(BUILD_DIR, "lanternis", "lanternis"),
        "harness_probe": os.path.join(BUILD_DIR, "tests", "harness_probe"),
        "mpi_override": os.path.join(BUILD_DIR, "tests", "libmpi_override.so"),
    }
    path = os.path.abspath(candidates[name])
    if not os.path.exists(path):
        raise FileNotFoundError(f"{path} is not built (BENCH_BUILD_DIR={BUILD_DIR})")
    return path


def wait_until(predicate, timeout, what):
    """Polls predicate until it returns a true value, which is returned; fails after timeout s."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(0.05)


class Xvfb:
    """A private X server on a free display number (found race-free with -displayfd), as the
    launcher starts them."""

    def __init__(self, side=3200):
        self.process, self.display = bench_support.start_xvfb(side)
        if self.process is None:
            raise RuntimeError("Xvfb did not report a display number")

    def stop(self):
        bench_support.stop_process(self.process, grace=10)


class Job:
    """One MPI job in its own working directory, each rank's console in its own file."""

    def __init__(self, program, ranks, display, workdir, env=None, preload_override=False,
                 wrapper=None, wdir=None):
        self.workdir = workdir
        self.ranks = ranks
        self.output_dir = os.path.join(os.path.abspath(workdir), ".console")
        command = [MPIEXEC] + launcher_options(ranks, wdir)
        # Each rank's stdout and stderr go to files of its own, the same way under either
        # launcher.
        console = f'{self.output_dir}/rank.{RANK_IN_SH}'
        command += ["sh", "-c",
                    f'mkdir -p "{console}" && exec "$@" > "{console}/stdout" 2> "{console}/stderr"',
                    "sh"]
        launched = [program_path(program) if "/" not in program else program]
        variables = dict(env or {})
        if preload_override:
            variables["LD_PRELOAD"] = program_path("mpi_override")
        if variables:
            launched = ["env"] + [f"{k}={v}" for k, v in variables.items()] + launched
        if wrapper:
            launched = list(wrapper) + launched
        command += launched
        process_env = dict(os.environ, DISPLAY=display) if display else dict(os.environ)
        # Open MPI's hardware probe otherwise connects to every X display it finds, and dies when
        # another test's Xvfb goes away meanwhile.
        process_env["HWLOC_COMPONENTS"] = "-gl"
        self.launcher_log = open(os.path.join(workdir, ".mpirun.log"), "wb")
        self.process = subprocess.Popen(command, cwd=workdir, env=process_env,
                                        stdout=self.launcher_log, stderr=subprocess.STDOUT,
                                        stdin=subprocess.DEVNULL, start_new_session=True)

    def console_path(self, rank):
        return os.path.join(self.output_dir, f"rank.{rank}", "stdout")

    def error_lines(self, rank):
        """What the rank wrote to its standard error, as a list of lines."""
        try:
            with open(os.path.join(self.output_dir, f"rank.{rank}", "stderr"), "r",
                      errors="replace") as f:
                return f.read().split("\n")[:-1]
        except FileNotFoundError:
            return []

    def console(self, rank):
        """The rank's console so far, as a list of lines (a last line without its newline is
        left out: it is still being written)."""
        try:
            with open(self.console_path(rank), "r", errors="replace") as f:
                text = f.read()
        except FileNotFoundError:
            return []
        lines = text.split("\n")
        return lines[:-1]

    def launcher_output(self):
        with open(os.path.join(self.workdir, ".mpirun.log"), "r", errors="replace") as f:
            return f.read()

    def wait_for_line(self, rank, pattern, timeout=60, start=0):
        """Index of the first console line of rank at or after start that matches the regular
        expression (full match)."""
        regex = re.compile(pattern)

        def find():
            for i, line in enumerate(self.console(rank)[start:], start):
                if regex.fullmatch(line):
                    return i + 1
            if self.process.poll() is not None:
                # One more read: the line may have arrived with the end of the job.
                for i, line in enumerate(self.console(rank)[start:], start):
                    if regex.fullmatch(line):
                        return i + 1
                raise AssertionError(
                    f"job ended (status {self.process.returncode}) before rank {rank} wrote "
                    f"{pattern!r}; console:\n" + "\n".join(self.console(rank)[-40:]) +
                    "\nlauncher:\n" + self.launcher_output()[-3000:])
            return None

        return wait_until(find, timeout, f"rank {rank} line {pattern!r}") - 1

    def count_lines(self, rank, pattern):
        regex = re.compile(pattern)
        return sum(1 for line in self.console(rank) if regex.fullmatch(line))

    def wait_exit(self, timeout=60):
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError(f"job did not end within {timeout} s; launcher:\n" +
                                 self.launcher_output()[-3000:])

    def stop(self):
        if self.process.poll() is None:
            try:
                os.killpg(self.process.pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                os.killpg(self.process.pid, signal.SIGKILL)
                self.process.wait()
        self.launcher_log.close()

    def results_files(self):
        return sorted(glob.glob(os.path.join(self.workdir, "results_*")))

    def results_file(self, rank):
        matches = [p for p in self.results_files() if f" @ {rank} of " in os.path.basename(p)]
        if len(matches) != 1:
            raise AssertionError(f"expected one results file of rank {rank}, found {matches}")
        return matches[0]

    def results_lines(self, rank):
        with open(self.results_file(rank), "r", errors="replace") as f:
            return f.read().split("\n")[:-1]


def xdotool(display, *args):
    return subprocess.run(["xdotool", *args], env=dict(os.environ, DISPLAY=display),
                          capture_output=True, text=True, timeout=30)


def find_window(display, title, timeout=60):
    """X window id of the window with exactly this title."""
    def search():
        result = xdotool(display, "search", "--name", "^" + re.escape(title) + "$")
        ids = result.stdout.split()
        return ids[0] if ids else None
    return wait_until(search, timeout, f"window {title!r}")


def send_keys(display, window, *keys, delay_ms=None):
    """Real key events to the window, in order (xdotool key names: Escape, p, C, ...).
    delay_ms=0 sends a burst that arrives within one frame (xdotool waits 12 ms per key)."""
    options = ["--delay", str(delay_ms)] if delay_ms is not None else []
    result = xdotool(display, "key", *options, "--window", window, *keys)
    if result.returncode != 0:
        raise AssertionError(f"xdotool key failed: {result.stderr}")


def click(display, window, button, up_only=False):
    """Presses and releases a mouse button (1 left, 2 middle, 3 right, 4/5 wheel) on the window,
    or only releases it."""
    action = "mouseup" if up_only else "click"
    result = xdotool(display, action, "--window", window, str(button))
    if result.returncode != 0:
        raise AssertionError(f"xdotool {action} failed: {result.stderr}")


def window_geometry(display, window):
    """(x, y, width, height) of the window as xwininfo reports it."""
    out = subprocess.run(["xwininfo", "-id", window], env=dict(os.environ, DISPLAY=display),
                         capture_output=True, text=True, timeout=30).stdout
    fields = {}
    for key, label in (("x", "Absolute upper-left X"), ("y", "Absolute upper-left Y"),
                       ("width", "Width"), ("height", "Height")):
        match = re.search(rf"{label}:\s+(-?\d+)", out)
        fields[key] = int(match.group(1))
    return fields["x"], fields["y"], fields["width"], fields["height"]


def launcher_available():
    return shutil.which(MPIEXEC) is not None and shutil.which("Xvfb") is not None


class JobTestCase(unittest.TestCase):
    """Gives each test a working directory, an Xvfb started on first use, and jobs that are all
    ended when the test ends."""

    def setUp(self):
        if not launcher_available():
            self.fail(f"{MPIEXEC} and Xvfb are required (run scripts/install-deps.sh)")
        self.workdir = tempfile.mkdtemp(prefix="e2e-")
        self._xvfb = None
        self._jobs = []
        self.addCleanup(self._cleanup)

    def _cleanup(self):
        for job in self._jobs:
            job.stop()
        if self._xvfb:
            self._xvfb.stop()
        if os.environ.get("KEEP_E2E_DIRS"):
            print(f"kept {self.workdir}")
        else:
            shutil.rmtree(self.workdir, ignore_errors=True)

    @property
    def display(self):
        if self._xvfb is None:
            self._xvfb = Xvfb()
        return self._xvfb.display

    def start_job(self, program, ranks, workdir=None, **kwargs):
        job = Job(program, ranks, self.display, workdir or self.workdir, **kwargs)
        self._jobs.append(job)
        return job


def build_preload(workdir, name, source):
    """Compiles C source into workdir/.<name>.so, a library to preload into a job; returns its
    path."""
    library = os.path.join(workdir, f".{name}.so")
    source_path = library[:-3] + ".c"
    with open(source_path, "w") as f:
        f.write(source)
    subprocess.run(["cc", "-shared", "-fPIC", "-Wall", "-o", library, source_path, "-ldl"],
                   check=True, timeout=120)
    return library


def trace_wrapper(workdir):
    """A launcher prefix that records the GL calls of every window rank with apitrace, into
    workdir/rank<N>.trace (process 0 draws nothing and runs untraced)."""
    script = os.path.join(workdir, ".trace-window-ranks.sh")
    with open(script, "w") as f:
        f.write('#!/bin/sh\n'
                f'rank={RANK_IN_SH}\n'
                'if [ "$rank" = 0 ]; then exec "$@"; fi\n'
                f'exec apitrace trace -o "{workdir}/rank$rank.trace" "$@"\n')
    os.chmod(script, 0o755)
    return [script]


def trace_path(workdir, rank):
    return os.path.join(workdir, f"rank{rank}.trace")


def dump_trace(path, extra_args=()):
    """The traced GL calls, one per line, without comments, fake calls and glX calls.
    Pointer calls on client memory are re-emitted by apitrace before each draw and marked
    '// fake'; they are left out here, and dump_trace_raw keeps them."""
    calls = []
    for line in dump_trace_raw(path, extra_args):
        if line.startswith("//") or line.startswith("glX") or not line.strip():
            continue
        if line.endswith("// fake"):
            continue
        calls.append(line)
    return calls


def dump_trace_raw(path, extra_args=()):
    """Every line of `apitrace dump` without colours, call numbers or argument names."""
    result = subprocess.run(
        ["apitrace", "dump", "--color=never", "--call-nos=no", "--arg-names=no", *extra_args,
         path], capture_output=True, text=True, timeout=600)
    if result.returncode != 0:
        raise AssertionError(f"apitrace dump failed: {result.stderr}")
    return result.stdout.split("\n")


PROBE_STEP_LINE = re.compile(r"Probe step (\d+) spent \S+")


def probe_steps(job, rank=1):
    """The step of every frame block the probe's rank has written so far, in order."""
    return [int(m.group(1)) for m in map(PROBE_STEP_LINE.fullmatch, job.console(rank)) if m]


PROBE_PAUSE_LINE = re.compile(r"probe: paused after (\d+) measured frames, ([01]) frame due")


def probe_pauses(job, rank=1):
    """The probe's lines, so far, for each pause input its rank has taken."""
    return [m for m in map(PROBE_PAUSE_LINE.fullmatch, job.error_lines(rank)) if m]


def wait_paused(job, send_pause, rank=1, timeout=60):
    """Sends a pause input through send_pause() and waits until the probe's rank has taken it
    (the probe says so on stderr when the harness stops its idle steps, with the frames measured
    by then and whether one more is due) and has written that last frame's block. Returns the
    steps of its blocks then: no block may follow them until the next input. Every input sent
    before must have been taken already."""
    before = len(probe_pauses(job, rank))
    send_pause()
    pause = wait_until(lambda: probe_pauses(job, rank)[before:], timeout,
                       f"rank {rank} to take the pause input")[0]
    blocks = int(pause.group(1)) + int(pause.group(2))
    wait_until(lambda: len(probe_steps(job, rank)) >= blocks, timeout,
               f"rank {rank}'s {blocks} blocks up to the pause")
    return probe_steps(job, rank)
