"""shardfall's 512 MiB number buffer: only a window process that fills it brings it into memory,
and a process that cannot have it says so on one line and fails."""

import os
import resource
import subprocess
import sys
import unittest

import report_texts as texts
import rig

BUFFER_BYTES = 536870912
MIB = 1024 * 1024
WINDOW_TITLE = texts.window_title("shardfall", 1)

# Runs the command as its child and writes the child's peak resident size (KiB) to
# <dir>/peak-rss.<rank>. Signals are passed on, and the child dies with the wrapper.
PEAK_RSS_WRAPPER = r'''#!/usr/bin/env python3
import ctypes, os, signal, sys
parent = os.getpid()
child = os.fork()
if child == 0:
    ctypes.CDLL(None, use_errno=True).prctl(1, signal.SIGKILL)  # PR_SET_PDEATHSIG
    if os.getppid() != parent:
        os._exit(1)
    os.execvp(sys.argv[1], sys.argv[1:])
for signum in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
    signal.signal(signum, lambda s, _: os.kill(child, s))
while True:
    try:
        _, status, usage = os.wait4(child, 0)
        break
    except InterruptedError:
        pass
rank = os.environ.get("OMPI_COMM_WORLD_RANK", os.environ.get("PMI_RANK", "x"))
with open(os.path.join(DIRECTORY, "peak-rss." + rank), "w") as f:
    f.write(str(usage.ru_maxrss))
sys.exit(os.waitstatus_to_exitcode(status) % 256)
'''


class NumberBufferMemory(rig.JobTestCase):
    def peak_rss_wrapper(self):
        script = os.path.join(self.workdir, ".peak-rss.py")
        with open(script, "w") as f:
            f.write(PEAK_RSS_WRAPPER.replace("DIRECTORY", repr(self.workdir), 1))
        os.chmod(script, 0o755)
        return [sys.executable, script]

    def peak_rss(self, rank):
        """Peak resident size of the rank's process, in bytes."""
        with open(os.path.join(self.workdir, f"peak-rss.{rank}")) as f:
            return int(f.read()) * 1024

    def test_only_a_window_process_brings_the_buffer_into_memory(self):
        job = self.start_job("shardfall", 2, wrapper=self.peak_rss_wrapper())
        job.wait_for_line(1, r"It drew 1 Triangles\.", timeout=120)
        rig.send_keys(self.display, rig.find_window(self.display, WINDOW_TITLE), "Escape")
        self.assertEqual(job.wait_exit(120), 0)
        self.assertLess(self.peak_rss(0), 100 * MIB)
        self.assertGreater(self.peak_rss(1), BUFFER_BYTES)

    def test_refused_processes_leave_the_buffer_untouched(self):
        job = self.start_job("shardfall", 2, wrapper=self.peak_rss_wrapper(),
                             preload_override=True, env={"MPI_OVERRIDE_THREAD_LEVEL": "2"})
        self.assertEqual(job.wait_exit(120), 0)
        for rank in (0, 1):
            self.assertEqual(job.console(rank), ["MPI do not Support Multiple thread"])
            self.assertLess(self.peak_rss(rank), 100 * MIB, f"rank {rank}")

    def test_no_room_for_the_buffer_is_one_line_and_a_failure_status(self):
        # The buffer is taken before main, so no MPI launcher is needed to reach the failure.
        def limit_memory():
            resource.setrlimit(resource.RLIMIT_AS, (256 * MIB, 256 * MIB))
            resource.setrlimit(resource.RLIMIT_CORE, (0, 0))

        result = subprocess.run([rig.program_path("shardfall")], cwd=self.workdir,
                                preexec_fn=limit_memory, stdin=subprocess.DEVNULL,
                                capture_output=True, text=True, timeout=60)
        # Positive: an exit of its own, not a signal such as the abort of an uncaught bad_alloc.
        self.assertGreater(result.returncode, 0, result.stderr)
        self.assertEqual(result.stdout, "")
        lines = result.stderr.split("\n")
        self.assertEqual(len(lines), 2, result.stderr)
        self.assertEqual(lines[1], "")
        self.assertIn(f"{BUFFER_BYTES}-byte", lines[0])
        self.assertRegex(lines[0].lower(), "out of memory|cannot allocate memory")
        self.assertEqual(os.listdir(self.workdir), [])


if __name__ == "__main__":
    unittest.main()
