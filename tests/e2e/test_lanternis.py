"""lanternis end to end: the real colour cube on the rig's 24-bit screen, and the GL calls of a
small cube under apitrace.

A 24-bit screen gives 8 bits per channel, a cube of 16,777,216 points: building its list takes
seconds and every frame several seconds on llvmpipe, far too many calls to trace. No 16-bit visual
of Xvfb's GLX has the alpha and accumulation buffers lanternis asks for, so the traced run gets
its small cube from a preloaded shim that answers the three colour-bit queries with 3, 2 and 4
bits (512 points); everything else is the real program on the real GL.
"""

import glob
import math
import os
import re
import unittest

import report_texts as texts
import rig

BANNER = texts.BANNER["lanternis"]
ANNOUNCER_LINES = texts.announcer_lines("lanternis")
WINDOW_TITLE = texts.window_title("lanternis", 1)
FULL_CUBE_POINTS = 16_777_216

# A frame of the full cube takes 5 to 15 s on llvmpipe, 40 s and more on a busy machine.
FULL_CUBE_TIMEOUT = 400

SHIM_BITS = (3, 2, 4)  # red, green, blue
SHIM_SOURCE = r"""
#define _GNU_SOURCE
#include <dlfcn.h>
#include <GL/gl.h>

/* Answers the colour-bit queries with a small cube; everything else goes to the real call. */
void glGetIntegerv(GLenum name, GLint* data) {
    static void (*next)(GLenum, GLint*);
    if (!next) next = (void (*)(GLenum, GLint*))dlsym(RTLD_NEXT, "glGetIntegerv");
    next(name, data);
    if (name == GL_RED_BITS) *data = %d;
    if (name == GL_GREEN_BITS) *data = %d;
    if (name == GL_BLUE_BITS) *data = %d;
}
""" % SHIM_BITS
GLXTRACE = glob.glob("/usr/lib/*/apitrace/wrappers/glxtrace.so")

REL_TOL = 2e-5  # two numbers each rounded to 6 significant digits


def call_name(call):
    return call.split("(", 1)[0]


def call_args(call):
    """The numbers of a call like glVertex3d(0, 0.25, 0.0625)."""
    return [float(a) for a in call[call.index("(") + 1:call.rindex(")")].split(",")]


class Lanternis(rig.JobTestCase):
    def assertClose(self, actual, expected, what):
        self.assertTrue(math.isclose(actual, expected, rel_tol=REL_TOL),
                        f"{what}: {actual} is not {expected}")

    def run_until_quit(self, job, timeout, frames):
        """Lets rank 1 measure at least `frames` frames, then pauses and quits; returns the exit
        status. For a single frame it pauses as soon as the window is up and takes one manual
        step, which is measured whether or not the animation's first step came before the pause.
        Keys are handled between frames, so a frame or two more may be measured: the summary must
        cover exactly the blocks written before it."""
        job.wait_for_line(1, r"Window 1@ .* Secs to Initialize\.", timeout=timeout)
        window = rig.find_window(self.display, WINDOW_TITLE)
        if frames == 1:
            rig.send_keys(self.display, window, "p", "c")
        line = 0
        for _ in range(frames):
            line = job.wait_for_line(1, r"window: 1 @ .*", timeout=timeout, start=line) + 1
        rig.send_keys(self.display, window, "p", "Escape")
        return job.wait_exit(timeout)

    def check_reports(self, job, vertices_per_frame):
        """Rank 0's announcement, and rank 1's start-up, frame blocks and summary on its console
        and in its results file."""
        self.assertEqual(job.console(0), ANNOUNCER_LINES)

        path = job.results_file(1)
        name = os.path.basename(path)
        host = re.fullmatch(r"results_lanternis_windows_mac_mx @ 1 of (\S+) @ local date "
                            r"\d{4}\.\d\d\.\d\d time \d\d\.\d\d\.\d\d\.txt", name).group(1)
        console = job.console(1)

        # Start-up: no empty line of its own before the one after the colour-bit queries.
        self.assertEqual(console[0], "")
        init = re.fullmatch(rf"Window 1@ {re.escape(host)} spent: (\S+) Secs to Initialize\.",
                            console[1])
        self.assertIsNotNone(init, console[:4])
        texts.printed_number(init.group(1))
        self.assertEqual(console[2:4], ["", ""])

        index, frame_times = 4, []
        while index < len(console) and console[index].startswith("window: "):
            block = console[index:index + 5]
            self.assertEqual(block[0], f"window: 1 @ {host}")
            fields = texts.block_fields("lanternis", block[1:4])
            self.assertIsNotNone(fields, block)
            self.assertEqual(block[4], "")
            frame_time = texts.printed_number(fields["time"])
            self.assertClose(texts.printed_number(fields["angles"]), 1 / frame_time, "angles/sec")
            self.assertClose(texts.printed_number(fields["rate"]), vertices_per_frame / frame_time,
                             "vertex/sec")
            frame_times.append(frame_time)
            index += 5
        self.assertGreaterEqual(len(frame_times), 1)

        summary = console[index:index + 4]
        total = re.fullmatch(r"Total running time:  (\S+) Secs\. @ window: 1", summary[0])
        angles = re.fullmatch(r"Average Angles/Sec: (\S+) Angles/Sec\.", summary[1])
        vertices = re.fullmatch(r"Average Vertex/Sec: (\S+) Vertex/Sec\.", summary[2])
        self.assertTrue(total and angles and vertices, summary)
        self.assertEqual(summary[3], "")
        total_time = texts.printed_number(total.group(1))
        frames = len(frame_times)
        self.assertClose(total_time, sum(frame_times), "total running time")
        self.assertClose(texts.printed_number(angles.group(1)), frames / total_time, "average angles")
        self.assertClose(texts.printed_number(vertices.group(1)), vertices_per_frame * frames / total_time,
                         "average vertices")

        where = os.path.join(os.path.realpath(job.workdir), name)
        self.assertEqual(
            console[index + 4:],
            [texts.RESULTS_AT + where, ""])

        # The file: banner and one empty line, then what the console got up to the summary.
        self.assertEqual(job.results_lines(1), [BANNER, ""] + console[1:index + 4])

    def test_full_colour_cube_reports_and_quits(self):
        job = self.start_job("lanternis", 2)
        self.assertEqual(self.run_until_quit(job, FULL_CUBE_TIMEOUT, frames=1), 0)
        self.check_reports(job, FULL_CUBE_POINTS)

    def test_traced_small_cube(self):
        self.assertTrue(GLXTRACE, "apitrace's GLX tracer is not installed")
        shim = rig.build_preload(self.workdir, "colour-bits", SHIM_SOURCE)
        # The shim must come before the tracer, so that the program's query reaches it first.
        wrapper = os.path.join(self.workdir, ".trace-small-cube.sh")
        with open(wrapper, "w") as f:
            f.write('#!/bin/sh\n'
                    f'rank={rig.RANK_IN_SH}\n'
                    'if [ "$rank" = 0 ]; then exec "$@"; fi\n'
                    f'export TRACE_FILE="{self.workdir}/rank$rank.trace"\n'
                    f'export LD_PRELOAD="{shim}:{GLXTRACE[0]}"\n'
                    'exec "$@"\n')
        os.chmod(wrapper, 0o755)

        job = self.start_job("lanternis", 2, wrapper=[wrapper])
        self.assertEqual(self.run_until_quit(job, 120, frames=3), 0)
        red, green, blue = SHIM_BITS
        points = 2 ** (red + green + blue)
        self.check_reports(job, points)

        calls = rig.dump_trace(rig.trace_path(self.workdir, 1))
        start = calls.index("glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA)") + 1
        self.assertEqual(calls[start:start + 3], [
            "glPolygonMode(GL_FRONT_AND_BACK, GL_POINT)",
            "glFrontFace(GL_CCW)",
            "glFrontFace(GL_CW)"])
        gen = re.fullmatch(r"glGenLists\(1\) = (\d+)", calls[start + 3])
        self.assertIsNotNone(gen, calls[start + 3])
        display_list = gen.group(1)
        self.assertEqual(calls[start + 4:start + 8], [
            f"glNewList({display_list}, GL_COMPILE)",
            "glPushMatrix()",
            "glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS)",
            "glBegin(GL_POINTS)"])

        # Every point: normal, colour, vertex; red slowest, blue fastest.
        body = start + 8
        point = 0
        for r in range(2 ** red):
            for g in range(2 ** green):
                for b in range(2 ** blue):
                    normal, colour, vertex = calls[body + 3 * point:body + 3 * point + 3]
                    self.assertEqual([call_name(c) for c in (normal, colour, vertex)],
                                     ["glNormal3d", "glColor3d", "glVertex3d"], point)
                    x, y, z = r / 2 ** red, g / 2 ** green, b / 2 ** blue
                    length = math.sqrt(z * z + y * y + x * x)
                    expected = [(x, y, z), (b / 2 ** red, g / 2 ** green, r / 2 ** blue)]
                    actual = [call_args(vertex), call_args(colour)]
                    if point == 0:
                        self.assertTrue(all(math.isnan(v) for v in call_args(normal)), normal)
                    else:
                        expected.append((z / length, y / length, x / length))
                        actual.append(call_args(normal))
                    for want, got in zip(expected, actual):
                        for w, a in zip(want, got):
                            self.assertTrue(math.isclose(w, a, rel_tol=1e-12, abs_tol=1e-15),
                                            f"point {r} {g} {b}: {got} is not {want}")
                    point += 1
        after = body + 3 * points
        self.assertEqual(calls[after:after + 4],
                         ["glEnd()", "glPopClientAttrib()", "glPopMatrix()", "glEndList()"])

        self.assertFalse([c for c in calls if "GL_LIGHT_MODEL_TWO_SIDE" in c])
        frame_starts = [i for i, c in enumerate(calls) if call_name(c) == "glClear"]
        measured = job.count_lines(1, r"window: 1 @ .*")
        self.assertGreaterEqual(len(frame_starts), measured)
        frame_starts.append(len(calls))
        for first, end in zip(frame_starts, frame_starts[1:]):
            self.check_frame(calls[first:end], display_list)

    def check_frame(self, frame, display_list):
        """One frame's calls: clear before its values, the outer push pair, transform, lights,
        the inner push pair, the list, the overlay, then both pop pairs."""
        clear = re.fullmatch(r"glClear\((.*)\)", frame[0])
        self.assertEqual(set(clear.group(1).split(" | ")),
                         {"GL_COLOR_BUFFER_BIT", "GL_DEPTH_BUFFER_BIT", "GL_STENCIL_BUFFER_BIT",
                          "GL_ACCUM_BUFFER_BIT"})
        self.assertEqual(frame[1:7], [
            "glClearColor(0, 0, 0, 0)", "glClearDepth(1)", "glClearStencil(0)",
            "glClearAccum(0, 0, 0, 0)", "glPushMatrix()",
            "glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS)"])
        lighting = ["glScaled", "glRotated", "glTranslated"] + ["glLightfv"] * 4 + \
            ["glMaterialfv"] * 5 + ["glLightModelfv", "glLightModeli", "glLogicOp"] + \
            ["glLightf"] * 3
        self.assertEqual([call_name(c) for c in frame[7:7 + len(lighting)]], lighting, frame[:40])
        self.assertEqual(frame[7 + lighting.index("glLightModeli")],
                         "glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, 1)")
        scene = 7 + len(lighting)
        self.assertEqual(frame[scene:scene + 4], [
            "glPushMatrix()", "glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS)",
            f"glCallList({display_list})", "glDisable(GL_LIGHTING)"])
        overlay_end = frame.index("glEnable(GL_LIGHTING)", scene)
        # freeglut's buffer swap flushes first.
        self.assertEqual(frame[overlay_end + 1:], [
            "glPopClientAttrib()", "glPopMatrix()", "glPopClientAttrib()", "glPopMatrix()",
            "glFlush()"])


if __name__ == "__main__":
    unittest.main()
