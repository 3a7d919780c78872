"""What a window rank reports: its start-up lines, one block per measured frame and, at Esc, the
summary and where the results file lies, on its console and in its results file. Run through the
probe with each program's description; the probe's head line carries the frame's step and time,
so the rates and sums can be checked against the times the report itself gives."""

import decimal
import math
import os
import re
import socket
import unittest

import rig
import report_texts as texts

NUMBER = r"-?(?:\d+(?:\.\d+)?(?:e[+-]\d\d+)?|nan|inf)"

# Placeholders in the line templates below, filled in from what the run itself reports.
INIT, TOTAL, AVERAGE, LOCATION = "<init>", "<total>", "<average>", "<location>"

STARTUP = {
    ("shardfall", "console"): ["", "", INIT, "", ""],
    ("shardfall", "file"): [texts.BANNER["shardfall"], "", "", INIT, "", ""],
    ("lanternis", "console"): ["", INIT, "", ""],
    ("lanternis", "file"): [texts.BANNER["lanternis"], "", INIT, "", ""],
}
SUMMARY = {
    ("shardfall", "console"): [TOTAL, AVERAGE, "Probe summary.", "", "", LOCATION, "", ""],
    ("shardfall", "file"): [TOTAL, AVERAGE, "Probe summary.", ""],
    ("lanternis", "console"): [TOTAL, AVERAGE, "Probe summary.", "", LOCATION, ""],
    ("lanternis", "file"): [TOTAL, AVERAGE, "Probe summary.", ""],
}
BLOCK_LENGTH = 5


def fill(template, values):
    return [values.get(line, line) for line in template]


def half_unit(text):
    """Half a unit in the last of the 6 significant digits of a written double."""
    value = decimal.Decimal(text)
    if value == 0:
        return 0.0
    return 0.5 * 10.0 ** (value.adjusted() - 5)


def within_written(text, low, high):
    """Whether the written double text can be the rounding of a value in [low, high]."""
    slack = half_unit(text) + 1e-12 * abs(float(text))
    return low - slack <= float(text) <= high + slack


def read_lines(path):
    """The whole lines of a text file; fails when its last line has no newline (not flushed)."""
    with open(path, "r", errors="replace") as f:
        text = f.read()
    assert text.endswith("\n"), f"{path} is empty or ends inside a line: {text[-200:]!r}"
    return text.split("\n")[:-1]


def split_report(lines, program, sink):
    """(start-up lines, frame blocks, lines after the blocks) of a window rank's console or file."""
    start = len(STARTUP[(program, sink)])
    blocks = []
    i = start
    while i < len(lines) and lines[i].startswith("window: "):
        blocks.append(lines[i:i + BLOCK_LENGTH])
        i += BLOCK_LENGTH
    return lines[:start], blocks, lines[i:]


class ReportChecks:
    """Checks shared by the report modules; mixed into a rig.JobTestCase."""

    def check_host(self, host):
        # MPI names the host, perhaps without its domain.
        here = socket.gethostname()
        self.assertTrue(host == here or here.startswith(host + "."),
                        f"processor name {host!r} is not this host ({here!r})")

    def check_startup(self, program, sink, lines, rank=1):
        """The start-up lines; returns the initialisation line."""
        template = STARTUP[(program, sink)]
        self.assertEqual(len(lines), len(template), lines)
        init_line = lines[template.index(INIT)]
        match = re.fullmatch(rf"Window {rank}@ (\S+) spent: ({NUMBER}) Secs to Initialize\.",
                             init_line)
        self.assertIsNotNone(match, init_line)
        self.check_host(match.group(1))
        self.assertTrue(texts.is_printed_number(match.group(2)), init_line)
        self.assertGreater(float(match.group(2)), 0.0)
        self.assertEqual(lines, fill(template, {INIT: init_line}))
        return init_line

    def check_blocks(self, blocks, rank=1):
        """The frame blocks, one per measured frame; returns the frame times as written."""
        self.assertGreater(len(blocks), 0, "no frame block")
        times = []
        previous_step = 0
        for block in blocks:
            self.assertEqual(len(block), BLOCK_LENGTH, block)
            window, head, angles, tail, empty = block
            window_match = re.fullmatch(rf"window: {rank} @ (\S+)", window)
            self.assertIsNotNone(window_match, block)
            self.check_host(window_match.group(1))
            self.assertEqual((tail, empty), ("Probe tail.", ""), block)
            head_match = re.fullmatch(rf"Probe step (\d+) spent ({NUMBER})", head)
            angles_match = re.fullmatch(rf"It was: ({NUMBER}) Angles/sec\.", angles)
            self.assertIsNotNone(head_match, block)
            self.assertIsNotNone(angles_match, block)
            step, frame_time = int(head_match.group(1)), head_match.group(2)
            rate = angles_match.group(1)
            # One step per idle call; an exposure may redraw a step once more, still measured.
            self.assertIn(step - previous_step, (0, 1) if previous_step else (1,), blocks)
            previous_step = step
            self.assertTrue(
                texts.is_printed_number(frame_time) and texts.is_printed_number(rate), block)
            self.assertGreater(float(frame_time), 0.0, block)
            low, high = float(frame_time) - half_unit(frame_time), \
                float(frame_time) + half_unit(frame_time)
            self.assertTrue(within_written(rate, 1.0 / high, 1.0 / low),
                            f"{rate} is not 1/{frame_time}: {block}")
            times.append(frame_time)
        return times

    def check_summary(self, program, sink, lines, frame_times, location, rank=1):
        """The summary after the last block: the total is the sum of the frame times, the average
        the number of frames over it."""
        template = SUMMARY[(program, sink)]
        self.assertEqual(len(lines), len(template), lines)
        total_line = lines[template.index(TOTAL)]
        average_line = lines[template.index(AVERAGE)]
        total_match = re.fullmatch(rf"Total running time:  ({NUMBER}) Secs\. @ window: {rank}",
                                   total_line)
        average_match = re.fullmatch(rf"Average Angles/Sec: ({NUMBER}) Angles/Sec\.", average_line)
        self.assertIsNotNone(total_match, lines)
        self.assertIsNotNone(average_match, lines)
        total, average = total_match.group(1), average_match.group(1)
        self.assertTrue(texts.is_printed_number(total) and texts.is_printed_number(average), lines)

        written_sum = math.fsum(float(t) for t in frame_times)
        rounding = math.fsum(half_unit(t) for t in frame_times)
        self.assertTrue(within_written(total, written_sum - rounding, written_sum + rounding),
                        f"total {total} is not the sum {written_sum} of {len(frame_times)} frames")
        frames = len(frame_times)
        total_low = float(total) - half_unit(total)
        total_high = float(total) + half_unit(total)
        self.assertTrue(within_written(average, frames / total_high, frames / total_low),
                        f"average {average} is not {frames} frames / {total} s")
        self.assertEqual(lines, fill(template, {TOTAL: total_line, AVERAGE: average_line,
                                                LOCATION: location}))
        return total_line, average_line

    def check_report(self, program, sink, lines, location=None, rank=1):
        """A window rank's whole console or results file after Esc; returns (start-up lines,
        blocks, summary lines)."""
        startup, blocks, summary = split_report(lines, program, sink)
        self.check_startup(program, sink, startup, rank)
        times = self.check_blocks(blocks, rank)
        self.check_summary(program, sink, summary, times, location, rank)
        return startup, blocks, summary

    def run_to_escape(self, program, workdir, steps=3, env=None, **job_args):
        """A two-rank probe job whose window rank is quit with Esc once it has reported the given
        number of steps; returns the ended job."""
        job = self.start_job("harness_probe", 2, workdir=workdir,
                             env=dict(env or {}, PROBE_PROGRAM=program), **job_args)
        job.wait_for_line(1, rf"Probe step {steps} spent .*", timeout=90)
        window = rig.find_window(self.display, texts.window_title(program, 1))
        rig.send_keys(self.display, window, "Escape")
        self.assertEqual(job.wait_exit(60), 0, job.launcher_output()[-3000:])
        return job


def saved_line(path):
    return texts.RESULTS_AT + path


def saved_location(job, workdir):
    """The saved line naming the rank-1 results file by the absolute directory it was made in."""
    return saved_line(os.path.realpath(workdir) + "/" + os.path.basename(job.results_file(1)))


class Report(ReportChecks, rig.JobTestCase):
    def test_console_and_file_from_start_to_escape(self):
        for program in ("shardfall", "lanternis"):
            with self.subTest(program=program):
                workdir = os.path.join(self.workdir, program)
                os.mkdir(workdir)
                job = self.run_to_escape(program, workdir)
                path = job.results_file(1)
                location = saved_location(job, workdir)

                console = read_lines(job.console_path(1))
                results = read_lines(path)
                console_startup, console_blocks, console_summary = self.check_report(
                    program, "console", console, location)
                file_startup, file_blocks, file_summary = self.check_report(
                    program, "file", results)

                init_index = STARTUP[(program, "console")].index(INIT)
                self.assertEqual(console_startup[init_index],
                                 file_startup[STARTUP[(program, "file")].index(INIT)])
                self.assertEqual(console_blocks, file_blocks)
                self.assertEqual(console_summary[:2], file_summary[:2])
                self.assertEqual(job.console(0), texts.announcer_lines(program))
                self.assertEqual(job.results_files(), [path])


if __name__ == "__main__":
    unittest.main()
