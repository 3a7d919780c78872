"""Process roles: process 0 announces and ends its output, every other process opens one window
and one results file. Run through the probe with each program's description."""

import os
import unittest

import rig
from report_texts import announcer_lines, window_title

class Roles(rig.JobTestCase):
    def test_single_process_announces_and_ends(self):
        for program in ("shardfall", "lanternis"):
            with self.subTest(program=program):
                workdir = os.path.join(self.workdir, program)
                os.mkdir(workdir)
                job = self.start_job("harness_probe", 1, workdir=workdir,
                                     env={"PROBE_PROGRAM": program})
                self.assertEqual(job.wait_exit(60), 0)
                self.assertEqual(job.console(0), announcer_lines(program))
                self.assertEqual(job.results_files(), [])

    def test_each_window_rank_has_its_window_and_results_file(self):
        for program, ranks in (("shardfall", 3), ("lanternis", 2)):
            with self.subTest(program=program, ranks=ranks):
                workdir = os.path.join(self.workdir, program)
                os.mkdir(workdir)
                job = self.start_job("harness_probe", ranks, workdir=workdir,
                                     env={"PROBE_PROGRAM": program})
                for rank in range(1, ranks):
                    job.wait_for_line(rank, r"window: \d+ @ .*", timeout=60)
                    window = rig.find_window(self.display, window_title(program, rank))
                    x, y, width, height = rig.window_geometry(self.display, window)
                    self.assertEqual((x, y, width, height), (100 * rank, 100 * rank, 1440, 1440))
                self.assertEqual(job.console(0), announcer_lines(program))
                files = [os.path.basename(p) for p in job.results_files()]
                self.assertEqual(len(files), ranks - 1, files)
                prefix = f"results_{program}_windows_mac_mx"
                for rank in range(1, ranks):
                    name = os.path.basename(job.results_file(rank))
                    self.assertRegex(
                        name, rf"{prefix} @ {rank} of \S+ @ local date \d{{4}}\.\d\d\.\d\d "
                              rf"time \d\d\.\d\d\.\d\d\.txt")
                for rank in range(1, ranks):
                    window = rig.find_window(self.display, window_title(program, rank))
                    rig.send_keys(self.display, window, "Escape")
                self.assertEqual(job.wait_exit(60), 0)


if __name__ == "__main__":
    unittest.main()
