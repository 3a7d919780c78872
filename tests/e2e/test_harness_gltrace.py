"""The OpenGL calls of a window rank, recorded with apitrace: the render state set once at
start-up, every reshape, and every frame call for call, checked against values computed here from
the frame's step and the window size. Run through the probe with each program's description."""

import math
import re
import struct
import unittest

import report_texts as texts
import rig

RENDER_STATE = [
    "glShadeModel(GL_SMOOTH)",
    "glEnable(GL_POINT_SMOOTH)",
    "glEnable(GL_FOG)",
    "glEnable(GL_LIGHT0)",
    "glEnable(GL_LIGHTING)",
    "glHint(GL_POINT_SMOOTH_HINT, GL_NICEST)",
    "glHint(GL_FOG_HINT, GL_NICEST)",
    "glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST)",
    "glEnable(GL_BLEND)",
    "glEnable(GL_ALPHA_TEST)",
    "glEnable(GL_AUTO_NORMAL)",
    "glEnable(GL_COLOR_MATERIAL)",
    "glEnable(GL_DITHER)",
    "glEnable(GL_SCISSOR_TEST)",
    "glEnable(GL_STENCIL_TEST)",
    "glEnable(GL_DEPTH_TEST)",
    "glEnable(GL_NORMALIZE)",
    "glEnable(GL_LINE_STIPPLE)",
    "glPolygonMode(GL_FRONT, GL_FILL)",
    "glPolygonMode(GL_BACK, GL_LINE)",
    "glEnable(GL_CULL_FACE)",
    "glEnable(GL_POLYGON_STIPPLE)",
    "glEnableClientState(GL_COLOR_ARRAY)",
    "glEnableClientState(GL_NORMAL_ARRAY)",
    "glEnableClientState(GL_VERTEX_ARRAY)",
    "glDrawBuffer(GL_FRONT_AND_BACK)",
    "glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA)",
]

PROGRAMS = {
    "shardfall": {"title": texts.WINDOW_NAME["shardfall"], "overlay": texts.OVERLAY["shardfall"],
                  "clear_first": False, "two_sided": True, "scene_pushes": 1},
    "lanternis": {"title": texts.WINDOW_NAME["lanternis"], "overlay": texts.OVERLAY["lanternis"],
                  "clear_first": True, "two_sided": False, "scene_pushes": 2},
}

SWAP = "glXSwapBuffers"
CHARACTER = "<glutBitmapCharacter>"
NUMBER = re.compile(r"(?<![\w.])-?\d+(?:\.\d*)?(?:[eE][-+]?\d+)?")


def f32(value):
    return struct.unpack("f", struct.pack("f", value))[0]


def gl_calls(path):
    """The traced GL calls, with the buffer swap kept as SWAP and freeglut's calls for one bitmap
    character folded into CHARACTER."""
    calls = []
    for line in rig.dump_trace_raw(path):
        if not line.strip() or line.startswith("//") or line.endswith("// fake"):
            continue
        if line.startswith("glX"):
            if line.startswith(SWAP + "("):
                calls.append(SWAP)
            continue
        calls.append(line)
    folded, i = [], 0
    while i < len(calls):
        if calls[i] == "glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT)":
            end = calls.index("glPopClientAttrib()", i)
            body = calls[i + 1:end]
            if (len(body) == 7 and all(c.startswith("glPixelStorei(") for c in body[:6])
                    and body[6].startswith("glBitmap(")):
                folded.append(CHARACTER)
                i = end + 1
                continue
        folded.append(calls[i])
        i += 1
    return folded


def same_call(actual, expected):
    """Equal calls, numbers compared to a few units in the last place that apitrace prints."""
    if NUMBER.sub("#", actual) != NUMBER.sub("#", expected):
        return False
    pairs = zip(NUMBER.findall(actual), NUMBER.findall(expected))
    return all(abs(float(a) - float(e)) <= 2e-6 * max(1.0, abs(float(e))) for a, e in pairs)


def look_at(eye, centre, up):
    """The matrix gluLookAt multiplies by, column-major, and its translation."""
    def normal(v):
        length = math.sqrt(sum(x * x for x in v))
        return [x / length for x in v]

    def cross(a, b):
        return [a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]]

    forward = normal([c - e for c, e in zip(centre, eye)])
    side = normal(cross(forward, up))
    upward = cross(side, forward)
    rows = [side, upward, [-x for x in forward]]
    matrix = [rows[r][c] if r < 3 and c < 3 else float(r == c) for c in range(4) for r in range(4)]
    return ("glMultMatrixf({" + ", ".join(repr(x) for x in matrix) + "})",
            "glTranslated(%r, %r, %r)" % tuple(-x for x in eye))


def reshape_calls(width, height, step):
    if width > height:
        box = (-width / height, width / height, -1.0, 1.0)
    else:
        box = (-1.0, 1.0, -height / width, height / width)
    return [f"glViewport(0, 0, {width}, {height})", "glMatrixMode(GL_PROJECTION)",
            "glLoadIdentity()", "glOrtho(%r, %r, %r, %r, -1, 1)" % box,
            "glMatrixMode(GL_MODELVIEW)", "glLoadIdentity()",
            *look_at((0.5, -0.5, 0.5), (0.0, math.sin(step), 0.0), (0.5, 0.5, 0.5))]


def vector(*values):
    return "{" + ", ".join(repr(f32(v)) for v in values) + "}"


def frame_calls(program, step, width, height, bits, display_list):
    """Every call of one frame at this step in a window of this size, the swap included."""
    p = PROGRAMS[program]
    a, s, c = math.atan(step), math.sin(step), math.cos(step)
    ha, hs, hc = 0.5 * a, 0.5 * s, 0.5 * c
    low = step & 0xFFFFFFFF
    shininess = math.fmod(low - (1 << 32) if low >= 1 << 31 else low, 64)
    clear_values = ["glClearColor(0, 0, 0, 0)", "glClearDepth(1)", "glClearStencil(0)",
                    "glClearAccum(0, 0, 0, 0)"]
    clear = ["glClear(GL_DEPTH_BUFFER_BIT | GL_ACCUM_BUFFER_BIT | GL_STENCIL_BUFFER_BIT | "
             "GL_COLOR_BUFFER_BIT)"]
    push = ["glPushMatrix()", "glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS)"]
    pop = ["glPopClientAttrib()", "glPopMatrix()"]
    calls = clear + clear_values if p["clear_first"] else clear_values + clear
    calls += push + [
        "glScaled(1, 1, 1)", f"glRotated({step + 45.0!r}, 1, 1, 1)",
        "glTranslated(-0.5, -0.5, -0.5)",
        f"glLightfv(GL_LIGHT0, GL_POSITION, {vector(a, s, c, 1)})",
        f"glLightfv(GL_LIGHT0, GL_SPOT_DIRECTION, {vector(a, s, c)})",
        f"glLightfv(GL_LIGHT0, GL_AMBIENT, {vector(hc, hs, ha, 1)})",
        f"glLightfv(GL_LIGHT0, GL_DIFFUSE, {vector(ha, hs, hc, 1)})",
        f"glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, {vector(ha, hs, hc, 1)})",
        f"glMaterialfv(GL_FRONT_AND_BACK, GL_SHININESS, &{shininess!r})",
        f"glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, {vector(hc, hs, ha, 1)})",
        f"glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, {vector(ha, hs, hc, 1)})",
        f"glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, {vector(hs, ha, hc, 1)})",
        f"glLightModelfv(GL_LIGHT_MODEL_AMBIENT, {vector(hc, hs, ha, 1)})",
        "glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, 1)"]
    if p["two_sided"]:
        calls.append("glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1)")
    calls += ["glLogicOp(GL_XOR)",
              f"glLightf(GL_LIGHT0, GL_CONSTANT_ATTENUATION, {f32(c)!r})",
              f"glLightf(GL_LIGHT0, GL_LINEAR_ATTENUATION, {f32(s)!r})",
              f"glLightf(GL_LIGHT0, GL_QUADRATIC_ATTENUATION, {f32(c)!r})"]
    calls += push * (p["scene_pushes"] - 1)
    calls += [f"glCallList({display_list})",
              "glDisable(GL_LIGHTING)", "glDisable(GL_DEPTH_TEST)",
              "glMatrixMode(GL_PROJECTION)", "glPushMatrix()", "glLoadIdentity()",
              f"glOrtho(0, {width}, 0, {height}, -1, 1)",
              "glMatrixMode(GL_MODELVIEW)", "glPushMatrix()", "glLoadIdentity()",
              "glColor3f(%r, %r, %r)" % tuple(f32(step / 2.0 ** b) for b in bits),
              "glRasterPos2d(10, 90)"]
    line = 0
    for byte in p["overlay"]:
        if byte == "\n":
            line += 1
            calls.append(f"glRasterPos2d(10, {90 - 18 * line})")
        calls.append(CHARACTER)
    calls += ["glMatrixMode(GL_PROJECTION)", "glPopMatrix()", "glMatrixMode(GL_MODELVIEW)",
              "glPopMatrix()", "glColor4f(1, 1, 1, 1)", "glEnable(GL_DEPTH_TEST)",
              "glEnable(GL_LIGHTING)"]
    calls += pop * p["scene_pushes"]
    return calls + ["glFlush()", SWAP]


def stack_depths(calls):
    """The depth change of the modelview, projection and client attribute stacks, and the least
    depth each reached, over these calls; the modelview matrix is taken as current at first."""
    depth = {"modelview": 0, "projection": 0, "client": 0}
    least = dict(depth)
    mode = "modelview"
    for call in calls:
        if call.startswith("glMatrixMode("):
            mode = "projection" if "GL_PROJECTION" in call else "modelview"
            continue
        stack, change = {"glPushMatrix()": (mode, 1), "glPopMatrix()": (mode, -1)}.get(
            call, ("client", 1 if call.startswith("glPushClientAttrib(") else
                   -1 if call == "glPopClientAttrib()" else 0))
        depth[stack] += change
        least[stack] = min(least[stack], depth[stack])
    return depth, least


def split_trace(calls):
    """(set-up calls, reshapes, frames): a reshape is (frames before it, its calls), a frame is
    (step, window size, its calls)."""
    start = next(i for i, call in enumerate(calls) if call.startswith("glViewport("))
    reshapes, frames, i, size = [], [], start, None
    while i < len(calls):
        if calls[i].startswith("glViewport("):
            size = tuple(int(x) for x in NUMBER.findall(calls[i])[2:4])
            reshapes.append((len(frames), calls[i:i + 8]))
            i += 8
            continue
        end = calls.index(SWAP, i) if SWAP in calls[i:] else len(calls) - 1
        frame = calls[i:end + 1]
        rotation = [c for c in frame if c.startswith("glRotated(")]
        if not rotation:
            raise AssertionError(f"a frame without its model rotation: {frame[:40]}")
        frames.append((int(float(NUMBER.findall(rotation[0])[0]) - 45.0), size, frame))
        i = end + 1
    return calls[:start], reshapes, frames


class GlTrace(rig.JobTestCase):
    def assertCalls(self, actual, expected, what):
        for i, (a, e) in enumerate(zip(actual, expected)):
            if not same_call(a, e):
                context = "\n".join(actual[max(0, i - 3):i + 4])
                self.fail(f"{what}: call {i} is {a!r}, expected {e!r}; around it:\n{context}")
        self.assertEqual(len(actual), len(expected),
                         f"{what}: call count; extra or missing: "
                         f"{actual[len(expected):] or expected[len(actual):]}")

    def record(self, program):
        """Runs a traced window rank a few steps, pauses it, resizes it to 800 by 600 and ends it
        after the frame that follows; returns its calls and the steps of its frame blocks."""
        job = self.start_job("harness_probe", 2, env={"PROBE_PROGRAM": program},
                             wrapper=rig.trace_wrapper(self.workdir))
        job.wait_for_line(1, r"Probe step 2 spent \S+", timeout=120)
        window = rig.find_window(self.display, PROGRAMS[program]["title"] + " Thread: 1")
        blocks = rig.wait_paused(job, lambda: rig.send_keys(self.display, window, "p"))
        result = rig.xdotool(self.display, "windowsize", window, "800", "600")
        self.assertEqual(result.returncode, 0, result.stderr)
        # The frame the resize asks for repeats the paused step.
        rig.wait_until(lambda: len(rig.probe_steps(job)) > len(blocks), 60, "a frame after the resize")
        self.assertEqual(rig.probe_steps(job)[len(blocks)], blocks[-1])
        rig.send_keys(self.display, window, "Escape")
        self.assertEqual(job.wait_exit(120), 0)
        return gl_calls(rig.trace_path(self.workdir, 1)), rig.probe_steps(job)

    def check_trace(self, program):
        calls, drawn = self.record(program)
        setup, reshapes, frames = split_trace(calls)

        bits = []
        for i, colour in enumerate(("RED", "GREEN", "BLUE")):
            match = re.fullmatch(rf"glGetIntegerv\(GL_{colour}_BITS, &(\d+)\)", setup[i])
            self.assertTrue(match, f"call {i} of the set-up: {setup[i]!r}")
            bits.append(int(match.group(1)))
        list_call = re.fullmatch(r"glGenLists\(1\) = (\d+)", setup[30])
        self.assertTrue(list_call, setup[30:])
        display_list = int(list_call.group(1))
        self.assertEqual(setup[3:], RENDER_STATE + [
            list_call.group(0), f"glNewList({display_list}, GL_COMPILE)", "glEndList()"])

        # The first reshape comes before any frame, for the full window, aimed at the
        # origin; the resize comes while paused, between two frames of the same step,
        # and its view aims at that step's height.
        self.assertEqual([r[1][0] for r in reshapes],
                         ["glViewport(0, 0, 1440, 1440)", "glViewport(0, 0, 800, 600)"])
        resized_at = reshapes[1][0]
        self.assertEqual(reshapes[0][0], 0)
        self.assertTrue(0 < resized_at < len(frames), "no frame on each side of the resize")
        self.assertEqual(frames[resized_at][0], frames[resized_at - 1][0])
        for frames_before, reshape in reshapes:
            step = frames[frames_before - 1][0] if frames_before else 0
            size = tuple(int(x) for x in NUMBER.findall(reshape[0])[2:4])
            self.assertCalls(reshape, reshape_calls(*size, step), f"reshape to {size}")

        # Every frame, call for call, from its own step; each frame after a step was
        # reported once, in the same order as the console's blocks.
        self.assertEqual([step for step, _, _ in frames if step != 0], drawn)
        self.assertEqual(frames[0][0], 0)
        for step, size, frame in frames:
            self.assertCalls(frame, frame_calls(program, step, *size, bits, display_list),
                             f"frame at step {step} in a {size} window")
            depth, least = stack_depths(frame)
            self.assertEqual(depth, {"modelview": 0, "projection": 0, "client": 0},
                             f"stacks left by the frame at step {step}")
            self.assertEqual(least, depth, f"the frame at step {step} popped below its pushes")

    # One test per program: each traces a job of its own on an X server of its own.
    def test_shardfall(self):
        self.check_trace("shardfall")

    def test_lanternis(self):
        self.check_trace("lanternis")


if __name__ == "__main__":
    unittest.main()
