"""shardfall end to end: the frame blocks of a growing triangle batch, the quit summary, the end at
the index limit, and the GL calls that draw the batch from the one number buffer."""

import collections
import math
import os
import re
import struct
import subprocess
import unittest

import report_texts as texts
import rig

BANNER = texts.BANNER["shardfall"]
ANNOUNCER_LINES = texts.announcer_lines("shardfall")
WINDOW_TITLE = texts.window_title("shardfall", 1)
LIMIT_LINE = texts.LIMIT_LINE
RESULTS_AT = texts.RESULTS_AT
ELEMENT_LIMIT = 67108864

# Rates are printed with 6 significant digits and recomputed here from the printed frame time,
# itself rounded to 6 digits: two roundings of at most 5e-6 each.
RATE_TOLERANCE = 1.5e-5
# Sums and averages over many rounded frame times.
SUMMARY_TOLERANCE = 2.5e-5

Frame = collections.namedtuple("Frame", "triangles time")
# The head line, the block's own lines and the empty line after them.
BLOCK_LENGTH = 2 + len(texts.BLOCK_PATTERNS["shardfall"])


class ShardfallRun(rig.JobTestCase):
    def start(self, **kwargs):
        return self.start_job("shardfall", 2, **kwargs)

    def check_startup(self, console):
        """Rank 1's console up to its first frame; returns (host, initialisation line)."""
        self.assertEqual(console[:2], ["", ""])
        match = re.fullmatch(r"Window 1@ (\S+) spent: (\S+) Secs to Initialize\.", console[2])
        self.assertIsNotNone(match, console[2])
        self.assertGreater(texts.printed_number(match[2]), 0)
        self.assertEqual(console[3:5], ["", ""])
        return match[1], console[2]

    def read_blocks(self, lines, host):
        """The frame blocks at the start of lines, checked line by line; returns them and the
        lines after them."""
        frames = []
        at = 0
        while at < len(lines) and lines[at].startswith("window: "):
            block = lines[at:at + BLOCK_LENGTH]
            self.assertEqual(block[0], f"window: 1 @ {host}", block)
            self.assertEqual(block[-1], "", block)
            fields = texts.block_fields("shardfall", block[1:-1])
            self.assertIsNotNone(fields, f"cut or malformed block at line {at}: {block}")
            triangles = int(fields["triangles"])
            time = texts.printed_number(fields["time"])
            self.assertGreater(time, 0)
            self.assertTrue(math.isclose(texts.printed_number(fields["angles"]), 1 / time,
                                         rel_tol=RATE_TOLERANCE), block)
            self.assertTrue(math.isclose(texts.printed_number(fields["rate"]), triangles / time,
                                         rel_tol=RATE_TOLERANCE), block)
            frames.append(Frame(triangles, time))
            at += BLOCK_LENGTH
        return frames, lines[at:]

    def check_summary(self, lines, frames):
        """The three summary lines, over exactly the reported frames."""
        self.assertEqual(len(lines), 3, lines)
        total = re.fullmatch(r"Total running time:  (\S+) Secs\. @ window: 1", lines[0])
        angles = re.fullmatch(r"Average Angles/Sec: (\S+) Angles/Sec\.", lines[1])
        triangles = re.fullmatch(r"Average Triangles/Sec: (\S+) Triangles/Sec\.", lines[2])
        self.assertTrue(total and angles and triangles, lines)
        total_time = texts.printed_number(total[1])
        self.assertTrue(math.isclose(total_time, sum(f.time for f in frames),
                                     rel_tol=SUMMARY_TOLERANCE), (lines, frames))
        self.assertTrue(math.isclose(texts.printed_number(angles[1]), len(frames) / total_time,
                                     rel_tol=SUMMARY_TOLERANCE), (lines, frames))
        self.assertTrue(math.isclose(texts.printed_number(triangles[1]),
                                     sum(f.triangles for f in frames) / total_time,
                                     rel_tol=SUMMARY_TOLERANCE), (lines, frames))

    def results_path(self, job):
        return os.path.join(os.path.realpath(self.workdir), os.path.basename(job.results_file(1)))

    def quit_after_three_frames(self, job):
        job.wait_for_line(1, r"It drew 3 Triangles\.", timeout=120)
        rig.send_keys(self.display, rig.find_window(self.display, WINDOW_TITLE), "Escape")
        self.assertEqual(job.wait_exit(120), 0)

    def test_frames_grow_from_the_first_step_and_quit_sums_them(self):
        job = self.start()
        self.quit_after_three_frames(job)

        self.assertEqual(job.console(0), ANNOUNCER_LINES)
        console = job.console(1)
        host, init_line = self.check_startup(console[:5])
        frames, rest = self.read_blocks(console[5:], host)
        # Steps 1, 2 and 3 with no frame counted before them: 7, 12 and 18 indices.
        self.assertEqual([f.triangles for f in frames[:3]], [1, 2, 3])
        self.check_summary(rest[:3], frames)
        self.assertEqual(rest[3:], ["", "", RESULTS_AT + self.results_path(job), "", ""])

        self.assertIn(f" of {host} @ ", os.path.basename(job.results_file(1)))
        block_lines = console[5:5 + 6 * len(frames)]
        self.assertEqual(job.results_lines(1),
                         [BANNER, "", "", init_line, "", ""] + block_lines + rest[:3] + [""])

    def test_an_unknown_fill_path_is_named_once_and_the_run_goes_on(self):
        job = self.start(env={"SHARDFALL_FILL_PATH": "avx1024"})
        self.quit_after_three_frames(job)

        self.assertEqual(job.console(0), ANNOUNCER_LINES)
        console = job.console(1)
        host, _ = self.check_startup(console[:5])
        frames, rest = self.read_blocks(console[5:], host)
        self.assertEqual([f.triangles for f in frames[:3]], [1, 2, 3])
        self.check_summary(rest[:3], frames)
        errors = job.error_lines(1)
        self.assertEqual(len(errors), 1, errors)
        self.assertRegex(errors[0], r"^shardfall: SHARDFALL_FILL_PATH=avx1024 names no fill path "
                                    r"\(accepted: avx512, avx2, sse2, portable\); using "
                                    r"(avx512|avx2|sse2|portable)$")
        self.assertEqual(job.error_lines(0), [], "process 0 never fills the buffer")

    def wait_for_slow_frame(self, job, seconds):
        """Waits for a frame block whose frame took at least the given time."""
        def find():
            for line in job.console(1):
                match = re.fullmatch(r"It spent: (\S+) Secs\. ", line)
                if match and float(match[1]) >= seconds:
                    return True
            if job.process.poll() is not None:
                raise AssertionError("job ended early:\n" + "\n".join(job.console(1)[-20:]))
            return False
        rig.wait_until(find, 90, f"a frame of {seconds} s")

    def test_steps_queued_during_one_frame_pass_the_limit_in_the_next(self):
        job = self.start()
        window = rig.find_window(self.display, WINDOW_TITLE)
        # A frame this slow is drawn some twenty steps in, far from the limit on its own. The block
        # is written as the next frame starts, so keys sent now all wait for that frame to end and
        # are taken together: one frame later the step has jumped some eighty ahead.
        self.wait_for_slow_frame(job, 0.3)
        rig.send_keys(self.display, window, *["c"] * 80, delay_ms=0)
        self.assertEqual(job.wait_exit(120), 0)

        console = job.console(1)
        host, init_line = self.check_startup(console[:5])
        frames, rest = self.read_blocks(console[5:], host)
        self.assertTrue(any(f.time >= 0.3 for f in frames), frames)
        self.assertTrue(all(6 * f.triangles <= ELEMENT_LIMIT for f in frames), frames)
        # The frame past the limit draws nothing and is not counted: the summary covers the blocks.
        self.assertEqual(rest[:2], [LIMIT_LINE, ""])
        self.check_summary(rest[2:5], frames)
        self.assertEqual(rest[5:], ["", RESULTS_AT + self.results_path(job), ""])

        block_lines = console[5:5 + 6 * len(frames)]
        self.assertEqual(job.results_lines(1),
                         [BANNER, "", "", init_line, "", ""] + block_lines + [""] + rest[2:5] +
                         [""])

    def test_batch_is_drawn_from_the_number_buffer(self):
        job = self.start(wrapper=rig.trace_wrapper(self.workdir))
        self.quit_after_three_frames(job)
        console = job.console(1)
        host, _ = self.check_startup(console[:5])
        frames, _ = self.read_blocks(console[5:], host)
        trace = rig.trace_path(self.workdir, 1)
        calls = rig.dump_trace(trace)

        # The scene's list, made right after the render state, holds no geometry.
        start = calls.index("glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA)") + 1
        made = re.fullmatch(r"glGenLists\(1\) = (\d+)", calls[start])
        self.assertIsNotNone(made, calls[start:start + 8])
        scene_list = made[1]
        self.assertEqual(calls[start + 1:start + 7], [
            f"glNewList({scene_list}, GL_COMPILE)", "glPushMatrix()",
            "glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS)", "glPopClientAttrib()",
            "glPopMatrix()", "glEndList()"])
        self.assertEqual(sum(1 for c in calls if c.startswith("glGenLists(")), 1)

        # Every frame calls the list and then draws one indexed batch; the batches before the
        # first step are empty, the others match the reported frames one for one.
        counts = []
        for at, call in enumerate(calls):
            draw = re.fullmatch(r"glDrawElements\(GL_TRIANGLES, (\d+), GL_UNSIGNED_BYTE, "
                                r"blob\((\d+)\)\)", call)
            if call.startswith("glDrawElements("):
                self.assertIsNotNone(draw, call)
                self.assertEqual(calls[at - 1], f"glCallList({scene_list})")
                self.assertEqual(draw[1], draw[2], "index bytes read")
                counts.append(int(draw[1]))
        self.assertEqual(sum(1 for c in calls if c.startswith("glCallList(")), len(counts))
        drawn = [c for c in counts if c]
        self.assertEqual(counts, [0] * (len(counts) - len(drawn)) + drawn)
        self.assertEqual(drawn[:3], [7, 12, 18])
        self.assertEqual([c // 6 for c in drawn], [f.triangles for f in frames])

        self.check_client_arrays(trace, len(counts))

    def check_client_arrays(self, trace, draws):
        """The colour, normal and vertex arrays that each draw read (re-emitted by apitrace as
        fake calls with the data read) are one block of packed doubles, whose bytes are also the
        indices."""
        blob_dir = os.path.join(self.workdir, "blobs")
        os.mkdir(blob_dir)
        result = subprocess.run(
            ["apitrace", "dump", "--color=never", "--call-nos=no", "--arg-names=no", "--blobs",
             "--grep=^gl(Color|Normal|Vertex)Pointer$|^glDrawElements$", trace],
            cwd=blob_dir, capture_output=True, text=True, timeout=300)
        self.assertEqual(result.returncode, 0, result.stderr)
        pointer_patterns = {
            "colour": r'glColorPointer\(3, GL_DOUBLE, 0, blob\("(\S+)"\)\) // fake',
            "normal": r'glNormalPointer\(GL_DOUBLE, 0, blob\("(\S+)"\)\) // fake',
            "vertex": r'glVertexPointer\(3, GL_DOUBLE, 0, blob\("(\S+)"\)\) // fake',
        }

        def blob(name):
            with open(os.path.join(blob_dir, name), "rb") as f:
                return f.read()

        arrays = {}
        checked = 0
        largest = b""
        for line in filter(None, result.stdout.split("\n")):
            draw = re.fullmatch(r'glDrawElements\(GL_TRIANGLES, (\d+), GL_UNSIGNED_BYTE, '
                                r'blob\("(\S+)"\)\)', line)
            if draw is None:
                kind = next((k for k, p in pointer_patterns.items() if re.fullmatch(p, line)), None)
                self.assertIsNotNone(kind, line)
                arrays[kind] = blob(re.fullmatch(pointer_patterns[kind], line)[1])
                continue
            self.assertEqual(set(arrays), set(pointer_patterns), line)
            indices = blob(draw[2])
            self.assertEqual(len(indices), int(draw[1]))
            vertices = arrays["vertex"]
            self.assertEqual(arrays["colour"], vertices)
            self.assertEqual(arrays["normal"], vertices)
            if indices:
                # Three doubles per vertex, up to the highest index.
                self.assertEqual(len(vertices), 24 * (max(indices) + 1))
                overlap = min(len(indices), len(vertices))
                self.assertEqual(indices[:overlap], vertices[:overlap])
                largest = max(largest, vertices, key=len)
            arrays = {}
            checked += 1
        self.assertEqual(checked, draws)

        values = struct.unpack(f"<{len(largest) // 8}d", largest)
        self.assertGreater(len(values), 3)
        self.assertEqual(values[0], 0.0)
        for i, value in enumerate(values):
            expected = (math.sin(i) + math.cos(i)) * math.tan(i)
            self.assertTrue(math.isclose(value, expected, rel_tol=1e-9, abs_tol=1e-9),
                            (i, value, expected))


if __name__ == "__main__":
    unittest.main()
