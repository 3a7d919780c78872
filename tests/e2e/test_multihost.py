"""Jobs over several hosts, played on one machine: ssh_standin stands in for ssh and gives each
"host" a host name of its own. benchjob runs the job from a hostfile of two such hosts under the
launcher of the MPI the build uses: a whole job, and a job that loses a host mid-run."""

import json
import os
import re
import signal
import subprocess
import unittest

import rig
import test_launcher as launcher

STANDIN = os.path.join(os.path.dirname(os.path.abspath(__file__)), "ssh_standin")
# Process 0 and window rank 1 on node-a, window rank 2 on node-b.
HOSTFILE = {"openmpi": "node-a slots=2\nnode-b slots=1\n", "mpich": "node-a:2\nnode-b:1\n"}
STANDIN_OPTIONS = {"openmpi": ["--mca", "plm_rsh_agent", STANDIN],
                   "mpich": ["-launcher", "ssh", "-launcher-exec", STANDIN]}
HOST_OF_RANK = {1: "node-a", 2: "node-b"}
DAEMONS = ("orted", "hydra_pmi_proxy")


def host_of_file(path):
    return re.search(r" of (\S+) @ ", os.path.basename(path))[1]


class MultiHost(launcher.LauncherTestCase):
    def start(self, *options):
        hostfile = os.path.join(self.workdir, "hosts")
        with open(hostfile, "w") as f:
            f.write(HOSTFILE[rig.MPI])
        self.directory = os.path.join(self.workdir, "job")
        return self.launch("--hostfile", hostfile, "--np", "3", "--display", "virtual",
                           "--outdir", self.directory, *options, "shardfall", "--",
                           *STANDIN_OPTIONS[rig.MPI])

    def report(self):
        result = subprocess.run([os.path.join(rig.BUILD_DIR, "report", "benchreport"), "--json",
                                 self.directory], capture_output=True, text=True, timeout=120)
        self.assertEqual(result.returncode, 0, result.stderr)
        return json.loads(result.stdout)

    def daemon_of(self, host):
        """Pid of the launcher's daemon that the stand-in started for host in this test."""
        found = []
        for entry in os.listdir("/proc"):
            if not entry.isdigit():
                continue
            try:
                with open(f"/proc/{entry}/comm") as f:
                    name = f.read().strip()
                with open(f"/proc/{entry}/environ", "rb") as f:
                    environ = f.read().split(b"\0")
            except OSError:
                continue
            if (name in DAEMONS and f"SSH_STANDIN_HOST={host}".encode() in environ and
                    f"{launcher.TAG_VARIABLE}={self.tag}".encode() in environ):
                found.append(int(entry))
        self.assertEqual(len(found), 1, f"daemons of {host}: {found}")
        return found[0]

    def test_each_host_runs_its_ranks_and_the_report_has_per_host_figures(self):
        run = self.start("--frames", "2")
        self.assertEqual(run.wait(300), 0, run.stderr()[-3000:])
        files = launcher.results_files(self.directory, "shardfall")
        self.assertEqual(sorted(files), [1, 2])
        for rank, path in files.items():
            with self.subTest(rank=rank):
                self.assertEqual(host_of_file(path), HOST_OF_RANK[rank])
                lines = launcher.read_lines(path)
                self.assertIn(f"window: {rank} @ {HOST_OF_RANK[rank]}", lines)
                self.assertGreaterEqual(launcher.frame_blocks(lines, "shardfall"), 2)
                for line, pattern in zip(lines[-4:], launcher.SUMMARY_PATTERNS["shardfall"]):
                    self.assertRegex(line, "^" + pattern.format(rank=rank) + "$")

        job = self.check_job_file(self.directory, "shardfall", 3, "frames", 2,
                                  ["node-a", "node-b"])
        self.assertEqual(job["hosts"], ["node-a", "node-b"])
        self.assertEqual({d["rank"]: d["host"] for d in job["displays"]}, HOST_OF_RANK)
        self.check_report(self.directory, "shardfall", files)

        document = self.report()
        rates = {entry["host"]: entry["average_rate_per_s"] for entry in document["ranks"]}
        self.assertEqual(document["job"]["hosts"], [
            {"host": host, "ranks": 1, "aggregate_rate": rates[host], "min_rate": rates[host],
             "max_rate": rates[host]} for host in ("node-a", "node-b")])
        slowest = min(rates, key=rates.get)
        self.assertEqual(document["job"]["slowest_host"], slowest)
        self.assertRegex(run.stdout(), rf"(?m)^Hosts: 2\n.*\n  node-a +1 .*\n  node-b +1 .*\n"
                                       rf"  slowest host +{slowest} ")

    def test_a_host_lost_mid_run_ends_the_job_and_leaves_nothing_running(self):
        run = self.start()

        def both_drawing():
            if run.process.poll() is not None:
                raise AssertionError("the job ended early:\n" + run.stderr()[-3000:])
            files = launcher.results_files(self.directory, "shardfall")
            return len(files) == 2 and all(
                launcher.frame_blocks(launcher.read_lines(p), "shardfall") >= 2
                for p in files.values())

        rig.wait_until(both_drawing, 180, "frame blocks from both hosts")
        os.kill(self.daemon_of("node-b"), signal.SIGKILL)
        status = run.wait(60)
        self.assertNotEqual(status, 0)
        self.assertEqual(launcher.tagged_processes(self.tag, self.workdir), [])

        said = re.findall(r"(?m)^benchjob: the job did not end in order: .*$", run.stderr())
        self.assertEqual(said, [f"benchjob: the job did not end in order: {rig.MPIEXEC} ended "
                                f"with status {status} (its messages are above); results so "
                                f"far in {self.directory}"])
        with open(os.path.join(self.directory, "job.json")) as f:
            self.assertEqual(json.load(f)["exit_status"], status)

        files = launcher.results_files(self.directory, "shardfall")
        self.assertEqual(sorted(files), [1, 2])
        for path in files.values():
            with open(path, "rb") as f:
                self.assertTrue(f.read().endswith(b"\n"), f"{path} ends inside a line")
        document = self.report()
        self.assertEqual({entry["rank"]: entry["end"] for entry in document["ranks"]},
                         {1: "incomplete", 2: "incomplete"})
        self.assertEqual([entry["ranks"] for entry in document["job"]["hosts"]], [1, 1])


if __name__ == "__main__":
    unittest.main()
