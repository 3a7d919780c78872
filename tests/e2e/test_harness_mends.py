"""The results file when the file system works against it: it cannot be created, it fills up
during the run, it takes the frames but not the summary, or it lies in a start directory longer
than any fixed path buffer. The run goes on on the console, and its last line says truthfully
where the results are or why they are not there."""

import errno
import os
import re
import shutil
import subprocess
import unittest

import rig
import test_harness_report as report
import report_texts as texts

RESULTS_NAME = r"results_{program}_windows_mac_mx @ 1 of \S+ @ local date " \
               r"\d{{4}}\.\d\d\.\d\d time \d\d\.\d\d\.\d\d\.txt"


# Preloaded into the window rank: the results file refuses the summary's first line and takes
# everything else, so only the end of the run finds the file short.
FAIL_SUMMARY_WRITE = r"""
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <string.h>
#include <unistd.h>

ssize_t write(int fd, const void* data, size_t size) {
    static const char summary[] = "Total running time:";
    static ssize_t (*next)(int, const void*, size_t);
    if (next == NULL) next = (ssize_t (*)(int, const void*, size_t))dlsym(RTLD_NEXT, "write");
    if (fd > 2 && size >= sizeof summary - 1 && memcmp(data, summary, sizeof summary - 1) == 0) {
        errno = EIO;
        return -1;
    }
    return next(fd, data, size);
}
"""


def not_saved_line(path, reason):
    return f"Results could not be saved in a file: {path} ({reason})"


def reason_for_creating_in(directory):
    """Why a file cannot be created in directory, as strerror words it."""
    try:
        with open(os.path.join(directory, "probe-create"), "w"):
            pass
    except OSError as error:
        return error.strerror
    os.remove(os.path.join(directory, "probe-create"))
    return None


def file_lines_from(program, console_startup, blocks):
    """The results file that goes with these console start-up lines and frame blocks."""
    init_line = console_startup[report.STARTUP[(program, "console")].index(report.INIT)]
    lines = report.fill(report.STARTUP[(program, "file")], {report.INIT: init_line})
    for block in blocks:
        lines += block
    return lines


class Mends(report.ReportChecks, rig.JobTestCase):
    def mount_tmpfs(self, directory, options):
        """Mounts a tmpfs on directory for this test, or skips when this user cannot."""
        if os.geteuid() != 0:
            self.skipTest("mounting a tmpfs needs root")
        result = subprocess.run(["mount", "-t", "tmpfs", "-o", options, "tmpfs", directory],
                                capture_output=True, text=True, timeout=60)
        if result.returncode != 0:
            self.skipTest(f"cannot mount a tmpfs here: {result.stderr.strip()}")
        # Registered after the rig's own clean-up, so it runs first: the job must be gone before
        # the unmount, and the unmount before the rig removes the working directory.
        self.addCleanup(self.unmount, directory)

    def unmount(self, directory):
        for job in self.started:
            job.stop()
        if subprocess.run(["umount", directory], timeout=60).returncode != 0:
            subprocess.run(["umount", "-l", directory], timeout=60)

    def setUp(self):
        super().setUp()
        self.started = []

    def start_job(self, program, ranks, workdir=None, **kwargs):
        job = super().start_job(program, ranks, workdir=workdir, **kwargs)
        self.started.append(job)
        return job

    def run_in(self, program, directory, steps=3):
        """A probe job started in directory, its launcher and console files kept apart."""
        launcher_dir = os.path.join(self.workdir, "launch-" + program)
        os.mkdir(launcher_dir)
        return self.run_to_escape(program, launcher_dir, steps=steps,
                                  wdir=directory)

    def test_results_file_that_cannot_be_created(self):
        directory = os.path.join(self.workdir, "closed")
        os.mkdir(directory)
        if os.geteuid() == 0:
            self.mount_tmpfs(directory, "ro,size=1m")
        else:
            os.chmod(directory, 0o555)
            self.addCleanup(os.chmod, directory, 0o755)
        reason = reason_for_creating_in(directory)
        self.assertIsNotNone(reason, "the directory still takes new files")

        for program in ("shardfall", "lanternis"):
            with self.subTest(program=program):
                job = self.run_in(program, directory)
                console = report.read_lines(job.console_path(1))
                match = re.fullmatch(r"Results file could not be opened: (.*) \((.*)\)", console[0])
                self.assertIsNotNone(match, console[:3])
                path, opened_reason = match.groups()
                self.assertEqual(os.path.dirname(path), os.path.realpath(directory))
                self.assertRegex(os.path.basename(path), RESULTS_NAME.format(program=program))
                self.assertEqual(opened_reason, reason)
                self.check_report(program, "console", console[1:], not_saved_line(path, reason))
                self.assertEqual(os.listdir(directory), [])
                self.assertEqual(job.console(0), texts.announcer_lines(program))

    def test_results_file_that_fills_up_during_the_run(self):
        program = "lanternis"
        directory = os.path.join(self.workdir, "small")
        os.mkdir(directory)
        self.mount_tmpfs(directory, "size=16k")
        job = self.start_job("harness_probe", 2, env={"PROBE_PROGRAM": program},
                             wdir=directory)
        capacity = os.statvfs(directory).f_blocks * os.statvfs(directory).f_frsize

        def file_full():
            names = os.listdir(directory)
            return names and os.path.getsize(os.path.join(directory, names[0])) >= capacity

        rig.wait_until(file_full, 120, "the results file to fill the file system")
        # The run goes on on the console after the file system is full.
        blocks_when_full = job.count_lines(1, r"window: 1 @ \S+")
        rig.wait_until(lambda: job.count_lines(1, r"window: 1 @ \S+") >= blocks_when_full + 2,
                       60, "frame blocks after the file system filled")
        window = rig.find_window(self.display, texts.window_title(program, 1))
        rig.send_keys(self.display, window, "Escape")
        self.assertEqual(job.wait_exit(60), 0, job.launcher_output()[-3000:])

        [name] = os.listdir(directory)
        path = os.path.join(os.path.realpath(directory), name)
        console = report.read_lines(job.console_path(1))
        startup, blocks, summary = self.check_report(
            program, "console", console, not_saved_line(path, os.strerror(errno.ENOSPC)))

        # The file holds what was written before the disk filled: a strict prefix of the report.
        whole = file_lines_from(program, startup, blocks)
        whole += summary[:len(report.SUMMARY[(program, "file")])]
        whole_text = "\n".join(whole) + "\n"
        with open(path, "r", errors="replace") as f:
            held = f.read()
        self.assertLess(len(held), len(whole_text))
        self.assertTrue(whole_text.startswith(held), held[-300:])

    def test_summary_that_cannot_be_written(self):
        """The file takes every frame block but not the summary: the end must not say saved."""
        program = "shardfall"
        compiler = shutil.which("cc") or shutil.which("gcc")
        if compiler is None:
            self.skipTest("no C compiler for the write-failing preload")
        with open(os.path.join(self.workdir, "fail_summary.c"), "w") as f:
            f.write(FAIL_SUMMARY_WRITE)
        preload = os.path.join(self.workdir, "fail_summary.so")
        subprocess.run([compiler, "-shared", "-fPIC", "-o", preload, f.name, "-ldl"], check=True,
                       timeout=120)

        job = self.run_to_escape(program, self.workdir, env={"LD_PRELOAD": preload})
        path = job.results_file(1)
        location = not_saved_line(os.path.realpath(path), os.strerror(errno.EIO))
        startup, blocks, _ = self.check_report(
            program, "console", report.read_lines(job.console_path(1)), location)
        self.assertEqual(report.read_lines(path), file_lines_from(program, startup, blocks))

    def test_long_start_directory_is_named_whole(self):
        program = "shardfall"
        directory = self.workdir
        while len(directory) <= 2100:
            directory = os.path.join(directory, chr(ord("a") + len(directory) % 26) * 200)
        os.makedirs(directory)
        job = self.run_in(program, directory, steps=1)

        [name] = os.listdir(directory)
        path = os.path.realpath(directory) + "/" + name
        self.assertRegex(name, RESULTS_NAME.format(program=program))
        self.check_report(program, "console", report.read_lines(job.console_path(1)),
                          report.saved_line(path))
        self.check_report(program, "file", report.read_lines(path))


if __name__ == "__main__":
    unittest.main()
