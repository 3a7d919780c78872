"""Keyboard and mouse control of a window's run: it animates from the start, P and the right
button pause it, R and the left button resume it, C steps it by hand, Esc ends it, and every other
key or button does nothing. Run through the probe, whose head line names each frame's step."""

import unittest

import report_texts as texts
import rig

TITLE = texts.window_title("shardfall", 1)

# Inputs that must change nothing, running or paused: other keys, special keys, the middle
# button, the wheel and releases alone. (button, release only)
IDLE_KEYS = ["a", "x", "Z", "space", "Return", "1", "Up", "Left", "F1", "Page_Down"]
IDLE_BUTTONS = [(2, False), (4, False), (5, False), (1, True), (3, True)]


class Input(rig.JobTestCase):
    def key(self, *names):
        rig.send_keys(self.display, self.window, *names)

    def click(self, button, up_only=False):
        rig.click(self.display, self.window, button, up_only)

    def send_idle_inputs(self, paused):
        # Pausing again while paused changes nothing either.
        for name in IDLE_KEYS + (["p", "P"] if paused else []):
            self.key(name)
        for button, up_only in IDLE_BUTTONS + ([(3, False)] if paused else []):
            self.click(button, up_only)

    def wait_step(self, step, after):
        try:
            self.job.wait_for_line(1, rf"Probe step {step} spent \S+", timeout=60)
        except AssertionError as error:
            raise AssertionError(f"no frame of step {step} after {after}: {error}") from None

    def test_run_pause_step_resume_and_quit(self):
        self.job = self.start_job("harness_probe", 2, env={"PROBE_PROGRAM": "shardfall"})
        self.wait_step(3, "the start")
        self.window = rig.find_window(self.display, TITLE)

        # Nothing pressed yet: the run animates from the first step on.
        self.assertEqual(rig.probe_steps(self.job)[:3], [1, 2, 3])

        paused_at = rig.wait_paused(self.job, lambda: self.key("P"))[-1]
        before = len(rig.probe_steps(self.job))
        for offset, name in enumerate(["c", "C", "c"], 1):
            self.key(name)
            self.wait_step(paused_at + offset, name)
        self.send_idle_inputs(paused=True)
        # The C after them is the only input that may draw: exactly its frame follows. A pause
        # taken after that frame shows that none of them restarted the animation: no idle step
        # came in between.
        self.key("C")
        self.wait_step(paused_at + 4, "the inputs that do nothing and C")
        self.assertEqual(rig.wait_paused(self.job, lambda: self.key("p"))[before:],
                         [paused_at + i for i in range(1, 5)])

        # Resumed, the idle steps run again: frames come without any C. Inputs that do nothing
        # must not stop them.
        self.key("r")
        self.wait_step(paused_at + 6, "r")
        self.send_idle_inputs(paused=False)
        self.wait_step(rig.probe_steps(self.job)[-1] + 4, "the inputs that do nothing, running")

        # The other pause and resume inputs: each pause taken, frames after each resume.
        switches = {"right button": lambda: self.click(3), "left button": lambda: self.click(1),
                    "p": lambda: self.key("p"), "R": lambda: self.key("R")}
        for pause, resume in (("right button", "left button"), ("p", "R")):
            last = rig.wait_paused(self.job, switches[pause])[-1]
            switches[resume]()
            self.wait_step(last + 2, resume)

        self.key("Escape")
        self.assertEqual(self.job.wait_exit(60), 0)
        drawn = rig.probe_steps(self.job)
        # Every step is drawn once and in order: no input skipped or repeated one.
        self.assertEqual(drawn, list(range(1, len(drawn) + 1)))
        tail = self.job.console(1)[-10:]
        self.assertEqual(tail[:2], ["Probe tail.", ""], tail)
        self.assertRegex(tail[2], r"Total running time:  \S+ Secs\. @ window: 1")
        self.assertRegex(tail[3], r"Average Angles/Sec: \S+ Angles/Sec\.")
        self.assertEqual(tail[4:], ["Probe summary.", "", "",
                                    texts.RESULTS_AT + self.job.results_file(1), "", ""])


if __name__ == "__main__":
    unittest.main()
