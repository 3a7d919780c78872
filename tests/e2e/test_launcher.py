"""The launcher for unattended runs (scripts/benchjob with its per-rank wrapper benchrank): whole
jobs on private Xvfb displays, their job folder, job.json, screenshots, the end of a run by
time and by frame count, interruption, and its refusals.

The launcher brings its own X servers; every run uses --display virtual so that no test touches
a real display."""

import datetime
import glob
import json
import math
import os
import re
import shlex
import shutil
import signal
import struct
import subprocess
import sys
import hashlib
import unittest

import report_texts as texts
import rig

SCRIPTS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts")
LAUNCHER = os.path.abspath(os.path.join(SCRIPTS, "benchjob"))
WRAPPER = os.path.abspath(os.path.join(SCRIPTS, "benchrank"))
SUPPORT = os.path.abspath(os.path.join(SCRIPTS, "bench_support.py"))
TAG_VARIABLE = "BENCHJOB_TEST_TAG"

SUMMARY_PATTERNS = texts.SUMMARY_PATTERNS
BLOCK_END = {program: patterns[-1] for program, patterns in texts.BLOCK_PATTERNS.items()}
FILL_PATHS = ("avx512", "avx2", "sse2", "portable")
DRAWN_BYTES = 67108864

# Preloaded into a job, it saves the bytes that the first glDrawElements call of a process
# reads its indices from (the number buffer, whose first 67,108,864 bytes every frame draws
# from) to DRAW_CAPTURE_FILE, then draws as usual.
DRAW_CAPTURE_SOURCE = r"""
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

void glDrawElements(unsigned mode, int count, unsigned type, const void* indices) {
    static void (*draw)(unsigned, int, unsigned, const void*);
    static int saved;
    const char* path = getenv("DRAW_CAPTURE_FILE");
    if (!saved && path) {
        saved = 1;
        int fd = open(path, O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (fd >= 0) {
            const char* at = indices;
            for (size_t left = %d; left > 0;) {
                ssize_t n = write(fd, at, left);
                if (n <= 0) break;
                at += n;
                left -= (size_t)n;
            }
            close(fd);
        }
    }
    if (!draw) draw = (void (*)(unsigned, int, unsigned, const void*))dlsym(RTLD_NEXT, "glDrawElements");
    draw(mode, count, type, indices);
}
""" % DRAWN_BYTES


def results_files(directory, program):
    """{rank: path} of the results files in a job folder."""
    files = {}
    for path in glob.glob(os.path.join(directory, f"results_{program}_windows_mac_mx @ *")):
        match = re.match(rf"results_{program}_windows_mac_mx @ (\d+) of (\S+) @ ",
                         os.path.basename(path))
        files[int(match.group(1))] = path
    return files


def read_lines(path):
    with open(path, "r", errors="replace") as f:
        return f.read().split("\n")[:-1]


def frame_blocks(lines, program):
    """Number of complete frame blocks: a closing rate line followed by an empty line."""
    end = re.compile(BLOCK_END[program])
    return sum(1 for a, b in zip(lines, lines[1:]) if end.fullmatch(a) and b == "")


def summary_values(lines):
    """(total running time, average rate) from the summary that ends a results file."""
    total = float(re.fullmatch(r"Total running time:  (\S+) Secs\. @ window: \d+", lines[-4])[1])
    rate = float(re.fullmatch(r"Average \S+/Sec: (\S+) \S+/Sec\.", lines[-2])[1])
    return total, rate


def png_size(path):
    with open(path, "rb") as f:
        head = f.read(24)
    if head[:8] != b"\x89PNG\r\n\x1a\n":
        raise AssertionError(f"{path} is not a PNG")
    return struct.unpack(">II", head[16:24])


def brightest_channel(path):
    """The largest channel value of the picture, 0 (all black) to 1."""
    result = subprocess.run(["convert", path, "-format", "%[fx:maxima]", "info:"],
                            capture_output=True, text=True, timeout=120)
    if result.returncode != 0:
        raise AssertionError(f"convert failed on {path}: {result.stderr}")
    return float(result.stdout.strip())


def tagged_processes(tag, workdir):
    """[(pid, command line)] of live processes that carry the tag in their environment or run
    in the test's folder."""
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit() or int(entry) == os.getpid():
            continue
        try:
            with open(f"/proc/{entry}/environ", "rb") as f:
                environ = f.read().split(b"\0")
            cwd = os.readlink(f"/proc/{entry}/cwd")
            with open(f"/proc/{entry}/cmdline", "rb") as f:
                command = f.read().replace(b"\0", b" ").decode(errors="replace")
        except OSError:
            continue  # gone, or a zombie
        tagged = f"{TAG_VARIABLE}={tag}".encode() in environ
        if tagged or (cwd + os.sep).startswith(workdir + os.sep):
            found.append((int(entry), command))
    return found


class Launch:
    """One launcher run in its own session, its stdout and stderr in files of the workdir."""

    def __init__(self, args, cwd, env, name):
        self.out_path = os.path.join(cwd, f".{name}.out")
        self.err_path = os.path.join(cwd, f".{name}.err")
        with open(self.out_path, "wb") as out, open(self.err_path, "wb") as err:
            self.process = subprocess.Popen([sys.executable, LAUNCHER, *args], cwd=cwd, env=env,
                                            stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                            start_new_session=True)

    def stdout(self):
        with open(self.out_path, "r", errors="replace") as f:
            return f.read()

    def stderr(self):
        with open(self.err_path, "r", errors="replace") as f:
            return f.read()

    def wait(self, timeout):
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError(f"launcher did not end within {timeout} s; stdout:\n" +
                                 self.stdout()[-3000:] + "\nstderr:\n" + self.stderr()[-3000:])


class LauncherTestCase(rig.JobTestCase):
    def setUp(self):
        super().setUp()
        self.workdir = os.path.realpath(self.workdir)
        self.tag = os.path.basename(self.workdir)
        self.launches = []
        self.addCleanup(self.end_everything)

    def environment(self, **changes):
        env = dict(os.environ, BENCH_BUILD_DIR=os.path.abspath(rig.BUILD_DIR))
        env[TAG_VARIABLE] = self.tag
        env.pop("DISPLAY", None)
        for key, value in changes.items():
            if value is None:
                env.pop(key, None)
            else:
                env[key] = value
        return env

    def launch(self, *args, cwd=None, env=None, name="launcher"):
        launch = Launch(list(args), cwd or self.workdir, env or self.environment(), name)
        self.launches.append(launch)
        return launch

    def end_everything(self):
        for launch in self.launches:
            if launch.process.poll() is None:
                os.killpg(launch.process.pid, signal.SIGKILL)
                launch.process.wait()
        for pid, _ in tagged_processes(self.tag, self.workdir):
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass

    def check_job_file(self, directory, program, ranks, end_mode, end_value, hosts):
        with open(os.path.join(directory, "job.json")) as f:
            job = json.load(f)
        self.assertEqual(job["schema_version"], 1)
        self.assertEqual(job["program"], program)
        self.assertEqual(job["ranks"], ranks)
        self.assertEqual(job["exit_status"], 0)
        self.assertEqual((job["end_mode"], job["end_value"]), (end_mode, end_value))
        self.assertEqual(job["command"][0], rig.MPIEXEC)
        count = "-np" if rig.MPI == "openmpi" else "-n"
        self.assertEqual(job["command"][job["command"].index(count) + 1], str(ranks))
        self.assertTrue(job["command"][-1].endswith(f"/{program}"), job["command"])
        self.assertEqual(sorted(job["hosts"]), sorted(hosts))
        start, end = (datetime.datetime.strptime(job[k], "%Y-%m-%dT%H:%M:%SZ")
                      for k in ("start", "end"))
        self.assertLessEqual(start, end)
        displays = job["displays"]
        self.assertEqual([d["rank"] for d in displays], list(range(1, ranks)))
        for entry in displays:
            self.assertIn(entry["host"], hosts)
            self.assertRegex(entry["display"], r":\d+")
            self.assertIs(entry["virtual"], True)
            # Xvfb always renders in software, whatever GPU the machine has.
            self.assertRegex(entry["gl_renderer"], r"llvmpipe|softpipe|swrast")
            self.assertIs(entry["software"], True)
            self.assertTrue(entry["gl_vendor"] and entry["gl_version"], entry)
            if program == "shardfall":
                self.assertIn(entry["fill_path"], FILL_PATHS)
                self.assertRegex(entry["workload_digest"], r"^[0-9a-f]{64}$")
            else:
                self.assertNotIn("workload_digest", entry)
        self.assertEqual(len({d["display"] for d in displays}), len(displays),
                         "each window rank has a display of its own")
        return job

    def check_report(self, directory, program, files):
        """benchreport's figures agree with the results files (when it is built)."""
        report = os.path.join(rig.BUILD_DIR, "report", "benchreport")
        if not os.path.exists(report):
            return
        self.assertTrue(os.path.exists(os.path.join(directory, "report.svg")),
                        "the launcher plots the job")
        result = subprocess.run([report, "--json", directory], capture_output=True, text=True,
                                timeout=120)
        self.assertEqual(result.returncode, 0, result.stderr)
        document = json.loads(result.stdout)
        by_rank = {entry["rank"]: entry for entry in document["ranks"]}
        self.assertEqual(sorted(by_rank), sorted(files))
        rates = []
        for rank, path in files.items():
            lines = read_lines(path)
            total, rate = summary_values(lines)
            entry = by_rank[rank]
            self.assertEqual(entry["frames"], frame_blocks(lines, program))
            self.assertTrue(math.isclose(entry["summary_total_s"], total, rel_tol=1e-5), entry)
            self.assertTrue(math.isclose(entry["average_rate_per_s"], rate, rel_tol=1e-3), entry)
            rates.append(rate)
        self.assertTrue(math.isclose(document["job"]["aggregate_rate_per_s"], sum(rates),
                                     rel_tol=1e-3), document["job"])


class UnattendedRuns(LauncherTestCase):
    def test_timed_run_keeps_the_job_in_one_folder(self):
        launch = self.launch("--np", "3", "--seconds", "3", "--display", "virtual",
                             "--screenshots", "shardfall")
        status = launch.wait(240)
        self.assertEqual(status, 0, launch.stderr()[-3000:])
        folders = [p for p in os.listdir(self.workdir)
                   if re.fullmatch(r"shardfall-\d{8}-\d{6}", p)]
        self.assertEqual(len(folders), 1, os.listdir(self.workdir))
        directory = os.path.join(self.workdir, folders[0])

        files = results_files(directory, "shardfall")
        self.assertEqual(sorted(files), [1, 2])
        hosts = set()
        for rank, path in files.items():
            lines = read_lines(path)
            self.assertGreaterEqual(frame_blocks(lines, "shardfall"), 1)
            for line, pattern in zip(lines[-4:], SUMMARY_PATTERNS["shardfall"]):
                self.assertRegex(line, "^" + pattern.format(rank=rank) + "$")
            hosts.add(re.search(r" of (\S+) @ ", os.path.basename(path))[1])
            self.assertIn(f"{texts.RESULTS_AT}{path}\n",
                          launch.stdout())
        self.check_job_file(directory, "shardfall", 3, "seconds", 3, sorted(hosts))

        errors = launch.stderr()
        self.assertNotIn("benchjob-display", errors)
        for rank in (1, 2):
            self.assertRegex(errors, rf"(?m)^benchjob: warning: rank {rank} on .*software")
        self.assertIn(f"Results: {directory}\n", launch.stdout())

        for rank in (1, 2):
            shot = os.path.join(directory, f"screenshot-rank{rank}.png")
            self.assertEqual(png_size(shot), (1440, 1440))
            self.assertGreater(brightest_channel(shot), 0.1, f"{shot} is all black")
        self.check_report(directory, "shardfall", files)

    def test_frame_count_run_ends_after_the_frame_in_progress(self):
        directory = os.path.join(self.workdir, "job")
        launch = self.launch("--np", "2", "--frames", "1", "--display", "virtual",
                             "--outdir", directory, "lanternis")
        status = launch.wait(400)
        self.assertEqual(status, 0, launch.stderr()[-3000:])
        files = results_files(directory, "lanternis")
        self.assertEqual(sorted(files), [1])
        lines = read_lines(files[1])
        # Esc waits for the frame that is being drawn when the first block comes out, so the
        # run ends with the first or the second block, never later.
        self.assertIn(frame_blocks(lines, "lanternis"), (1, 2), "\n".join(lines))
        for line, pattern in zip(lines[-4:], SUMMARY_PATTERNS["lanternis"]):
            self.assertRegex(line, "^" + pattern.format(rank=1) + "$")
        # The console passes through the wrapper unchanged: the blocks and the summary of the
        # file stand in the launcher's output as they are, byte for byte.
        first_block = next(i for i, line in enumerate(lines) if line.startswith("window: 1 @ "))
        self.assertIn("\n".join(lines[first_block:]) + "\n", launch.stdout())
        hosts = [re.search(r" of (\S+) @ ", os.path.basename(files[1]))[1]]
        self.check_job_file(directory, "lanternis", 2, "frames", 1, hosts)
        self.check_report(directory, "lanternis", files)

    def test_job_json_holds_the_digest_of_the_bytes_that_frames_read(self):
        shim = rig.build_preload(self.workdir, "draw-capture", DRAW_CAPTURE_SOURCE)
        capture = os.path.join(self.workdir, ".drawn.bin")
        directory = os.path.join(self.workdir, "job")
        launch = self.launch("--np", "2", "--frames", "1", "--display", "virtual",
                             "--outdir", directory, "shardfall",
                             env=self.environment(LD_PRELOAD=shim, DRAW_CAPTURE_FILE=capture))
        status = launch.wait(240)
        self.assertEqual(status, 0, launch.stderr()[-3000:])

        with open(capture, "rb") as f:
            drawn = f.read()
        self.assertEqual(len(drawn), DRAWN_BYTES)
        self.assertEqual(drawn[:8], bytes(8), "element 0 is 0.0")
        hosts = [re.search(r" of (\S+) @ ", os.path.basename(p))[1]
                 for p in results_files(directory, "shardfall").values()]
        job = self.check_job_file(directory, "shardfall", 2, "frames", 1, hosts)
        digest = job["displays"][0]["workload_digest"]
        self.assertEqual(digest, hashlib.sha256(drawn).hexdigest())
        self.assertRegex(launch.stdout(), rf"(?m)^  workload +{digest[:12]}  \(SHA-256 ")

    def test_exact_frames_run_draws_k_frames_per_window_and_two_such_jobs_compare(self):
        # Each window is paused before its first step and stepped by hand: exactly K blocks,
        # at the steps 1 to K of a steady run, in every window of both jobs.
        frames = 4
        directories = [os.path.join(self.workdir, name) for name in ("base", "new")]
        for directory in directories:
            launch = self.launch("--np", "3", "--exact-frames", str(frames), "--display",
                                 "virtual", "--outdir", directory, "shardfall")
            status = launch.wait(240)
            self.assertEqual(status, 0, launch.stderr()[-3000:])
            self.assertNotIn("paused only after", launch.stderr())
            files = results_files(directory, "shardfall")
            self.assertEqual(sorted(files), [1, 2])
            for rank, path in files.items():
                lines = read_lines(path)
                self.assertEqual(frame_blocks(lines, "shardfall"), frames, "\n".join(lines))
                drawn = [line for line in lines if line.startswith("It drew ")]
                self.assertEqual(drawn, [f"It drew {n} Triangles." for n in (1, 2, 3, 4)])
                for line, pattern in zip(lines[-4:], SUMMARY_PATTERNS["shardfall"]):
                    self.assertRegex(line, "^" + pattern.format(rank=rank) + "$")
            hosts = sorted({re.search(r" of (\S+) @ ", os.path.basename(path))[1]
                            for path in files.values()})
            self.check_job_file(directory, "shardfall", 3, "exact-frames", frames, hosts)

        report = os.path.join(rig.BUILD_DIR, "report", "benchreport")
        result = subprocess.run([report, "compare", "--json", *directories], capture_output=True,
                                text=True, timeout=60)
        self.assertEqual(result.returncode, 0, result.stderr)
        document = json.loads(result.stdout)
        self.assertEqual(document["program"], "shardfall")
        self.assertEqual([r["rank"] for r in document["ranks"]], [1, 2])
        for entry in document["ranks"]:
            self.assertEqual(entry["frames_compared"], frames - 1)
            self.assertIsNotNone(entry["p_value"])
        self.assertEqual(document["job"]["positions_compared"], frames - 1)

    def test_interrupt_leaves_nothing_running(self):
        directory = os.path.join(self.workdir, "job")
        launch = self.launch("--np", "3", "--display", "virtual", "--outdir", directory,
                             "shardfall")
        rig.wait_until(lambda: "Secs to Initialize." in launch.stdout() or
                       launch.process.poll() is not None, 120, "the first initialisation line")
        self.assertIsNone(launch.process.poll(), launch.stderr()[-3000:])
        launch.process.send_signal(signal.SIGINT)
        status = launch.wait(60)
        self.assertNotEqual(status, 0)
        self.assertEqual(tagged_processes(self.tag, self.workdir), [])
        with open(os.path.join(directory, "job.json")) as f:
            job = json.load(f)
        self.assertEqual(job["exit_status"], status)
        self.assertEqual(job["end_mode"], "interactive")
        # What was measured until then stays in the job folder.
        init_line = re.search(r"(?m)^Window (\d+)@ .* Secs to Initialize\.$", launch.stdout())
        path = results_files(directory, "shardfall")[int(init_line[1])]
        self.assertIn(init_line[0], read_lines(path))


class CommandAndRefusals(LauncherTestCase):
    def dry_run(self, *args):
        result = subprocess.run([sys.executable, LAUNCHER, "--dry-run", *args],
                                cwd=self.workdir, env=self.environment(), capture_output=True,
                                text=True, timeout=60)
        self.assertEqual(result.returncode, 0, result.stderr)
        return shlex.split(result.stdout)

    def test_launcher_command(self):
        # Three slots in either format; only Open MPI needs to be told to go past them.
        hostfiles = []
        for name, text in (
                ("hosts-openmpi", "# lab machines\nalpha slots=2\nbeta\n# gamma slots=9\n\n"),
                ("hosts-mpich", "# lab machines\nalpha:2\nbeta\n# gamma:9\n\n")):
            hostfiles.append(os.path.join(self.workdir, name))
            with open(hostfiles[-1], "w") as f:
                f.write(text)
        many = str((os.cpu_count() or 1) + 1)
        cases = [
            # (arguments, past the slots)
            *[(["--hostfile", hostfile, "--np", np, "shardfall"], np == "4")
              for hostfile in hostfiles for np in ("3", "4")],
            (["--np", "1", "lanternis"], False),
            (["--np", many, "lanternis"], True),
        ]
        for args, oversubscribed in cases:
            with self.subTest(args=args):
                command = self.dry_run(*args)
                np = args[args.index("--np") + 1]
                hostfile = ["--hostfile", args[1]] if "--hostfile" in args else []
                self.assertEqual(command[0], rig.MPIEXEC)
                if rig.MPI == "openmpi":
                    self.assertEqual("--oversubscribe" in command, oversubscribed, command)
                    self.assertEqual("--allow-run-as-root" in command, os.geteuid() == 0)
                    at = command.index("-np")
                    self.assertEqual(command[at:at + 2 + len(hostfile)], ["-np", np] + hostfile)
                else:
                    hostfile = ["-f", hostfile[1]] if hostfile else []
                    self.assertEqual(command[1:4 + len(hostfile)],
                                     ["-genvall", "-n", np] + hostfile)

        command = self.dry_run("--exact-frames", "3", "shardfall")
        at = command.index(WRAPPER)
        self.assertEqual(command[at + 3:at + 8], ["--display", "auto", "--exact-frames", "3", "--"])

        command = self.dry_run("--frames", "2", "--screenshots", "--outdir", "out", "lanternis",
                               "--", "--bind-to", "none")
        at = command.index(WRAPPER)
        self.assertEqual(command[at - 2:at], ["--bind-to", "none"])
        self.assertEqual(command[at + 1:-1],
                         ["--dir", os.path.join(self.workdir, "out"), "--display", "auto",
                          "--frames", "2", "--screenshots", "--"])
        self.assertEqual(command[-1],
                         os.path.abspath(os.path.join(rig.BUILD_DIR, "lanternis", "lanternis")))

    def test_refusals_name_what_is_missing(self):
        # A tools folder stands in for PATH; a copy of the scripts outside the source tree has
        # no build folders to find the programs in.
        launcher = os.path.basename(rig.MPIEXEC)
        tools = os.path.join(self.workdir, "tools")
        os.mkdir(tools)
        os.symlink(shutil.which(rig.MPIEXEC), os.path.join(tools, launcher))
        no_tools = os.path.join(self.workdir, "empty")
        os.mkdir(no_tools)
        copy = os.path.join(self.workdir, "copy", "scripts")
        os.makedirs(copy)
        for script in (LAUNCHER, WRAPPER, SUPPORT):
            shutil.copy2(script, copy)
        on_path = {"PATH": tools, "BENCH_MPIEXEC": launcher}
        names = {"openmpi": "Open MPI", "mpich": "MPICH"}
        other = "mpich" if rig.MPI == "openmpi" else "openmpi"
        other_launcher = {"openmpi": "mpirun.openmpi", "mpich": "mpiexec.mpich"}[other]
        cases = [
            # (what is missing, launcher, environment changes, arguments, words in the message)
            ("launcher", LAUNCHER, {"PATH": no_tools, "BENCH_MPIEXEC": launcher}, ["shardfall"],
             re.escape(launcher)),
            ("program", os.path.join(copy, "benchjob"), dict(on_path, BENCH_BUILD_DIR=None),
             ["lanternis"], "lanternis"),
            ("display", LAUNCHER, on_path, ["--display", "auto", "shardfall"], "Xvfb"),
            # A launcher of the other MPI would start one-process jobs that all think they
            # are rank 0.
            ("matching launcher", LAUNCHER, {}, ["--mpiexec", other_launcher, "shardfall"],
             rf"{other_launcher} is {names[other]}'s launcher but \S+/shardfall is built with "
             rf"{names[rig.MPI]} \(libmpi"),
        ]
        for missing, launcher, changes, args, word in cases:
            with self.subTest(missing=missing):
                cwd = os.path.join(self.workdir, missing)
                os.mkdir(cwd)
                result = subprocess.run([sys.executable, launcher, *args], cwd=cwd,
                                        env=self.environment(**changes), capture_output=True,
                                        text=True, timeout=60)
                self.assertNotEqual(result.returncode, 0)
                self.assertEqual(result.stdout, "")
                self.assertRegex(result.stderr, rf"^benchjob: [^\n]*{word}[^\n]*\n$")
                self.assertEqual(os.listdir(cwd), [], "nothing is started or created")

    def test_wrapper_without_a_rank_refuses(self):
        # Outside a launcher there is no rank to read; rank 0 would be a guess.
        directory = os.path.join(self.workdir, "job")
        env = self.environment(OMPI_COMM_WORLD_RANK=None, PMI_RANK=None, PMIX_RANK=None)
        result = subprocess.run([sys.executable, WRAPPER, "--dir", directory, "--",
                                 rig.program_path("shardfall")], cwd=self.workdir, env=env,
                                capture_output=True, text=True, timeout=60)
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stdout, "")
        self.assertRegex(result.stderr, r"^benchrank: on \S+: no MPI rank in the environment "
                                        r"\(OMPI_COMM_WORLD_RANK, PMI_RANK, PMIX_RANK\)[^\n]*\n$")
        self.assertFalse(os.path.exists(directory))


if __name__ == "__main__":
    unittest.main()
