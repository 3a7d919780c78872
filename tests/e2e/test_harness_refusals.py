"""The two start-up refusals, reached through the MPI override library: a thread level below
MPI_THREAD_MULTIPLE (every process says so and ends), and a job of more than 4096 processes
(process 0 says so, the others end silently). Both end the job in order, with status 0."""

import os
import re
import unittest

import rig
import test_harness_report as report
import report_texts as texts

THREAD_LINE = "MPI do not Support Multiple thread"
LIMIT_LINE = "The number of threads has reached the limits, the program terminates."


def too_many_lines(program):
    return ["", texts.BANNER[program], texts.COPYRIGHT, texts.SUPPORT, "", LIMIT_LINE, ""]


THREAD = [THREAD_LINE]
THREAD_ONLY = {"MPI_OVERRIDE_THREAD_LEVEL": "2"}
TOO_MANY = {"MPI_OVERRIDE_WORLD_SIZE": "4097"}

# (case, program, overrides, expected console of each rank)
REFUSALS = [
    ("thread level", "shardfall", THREAD_ONLY, [THREAD, THREAD, THREAD]),
    ("thread level", "lanternis", THREAD_ONLY, [THREAD, THREAD]),
    ("4097 processes", "shardfall", TOO_MANY, [too_many_lines("shardfall"), []]),
    ("4097 processes", "lanternis", TOO_MANY, [too_many_lines("lanternis"), []]),
    ("thread level before size", "shardfall", dict(THREAD_ONLY, **TOO_MANY), [THREAD, THREAD]),
]

# What Open MPI and MPICH print when a process ends without finalising or with a non-zero status.
ABNORMAL_END = re.compile(r"exiting improperly|abnormal termination|non-zero exit|^-{20,}$|"
                          r"BAD TERMINATION|^={20,}$", re.MULTILINE)


class Refusals(report.ReportChecks, rig.JobTestCase):
    def test_refused_jobs_write_only_their_message_and_end_with_status_0(self):
        for number, (case, program, overrides, expected) in enumerate(REFUSALS):
            ranks = len(expected)
            with self.subTest(case=case, program=program, ranks=ranks):
                workdir = os.path.join(self.workdir, str(number))
                os.mkdir(workdir)
                job = self.start_job("harness_probe", ranks, workdir=workdir,
                                     preload_override=True,
                                     env=dict(overrides, PROBE_PROGRAM=program))
                status = job.wait_exit(60)
                launcher = job.launcher_output()
                self.assertEqual(status, 0, launcher[-3000:])
                self.assertIsNone(ABNORMAL_END.search(launcher), launcher[-3000:])
                for rank in range(ranks):
                    self.assertEqual(job.console(rank), expected[rank], f"rank {rank}")
                self.assertEqual(sorted(os.listdir(workdir)), [".console", ".mpirun.log"])

    def test_4096_processes_are_accepted(self):
        program = "lanternis"
        job = self.run_to_escape(program, self.workdir, steps=1, preload_override=True,
                                 env={"MPI_OVERRIDE_WORLD_SIZE": "4096"})
        self.assertEqual(job.console(0), texts.announcer_lines(program))
        self.check_report(program, "console", job.console(1),
                          report.saved_location(job, self.workdir))
        self.check_report(program, "file", job.results_lines(1))

if __name__ == "__main__":
    unittest.main()
