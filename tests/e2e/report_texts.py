"""The programs' own texts and the form of their numbers, for every end-to-end test: one home,
so that a changed text is changed once here, as it is once in the programs."""

import re

BANNER = {
    "shardfall": "Velmora :: Parvolent Benchmark Graphics Shardfall for Windows on Mac Mx system "
                 "2023.03.06.",
    "lanternis": "Velmora :: Parvolent Benchmark Graphics Lanternis for Windows on Mac Mx system "
                 "2023.03.06.",
}
KEY_HELP = {
    "shardfall": ["Press Key R or Press Mouse Left button to Animate.",
                  "Press Key C to Animate Manually.",
                  "Press Key P or Press Mouse Right button to Pause.",
                  "Press Key Esc to Exit."],
    "lanternis": ["Press Key R or Press Mouse Left button to Animate.",
                  "Press Key C to Animate Manually.",
                  "Press Key P or Press Mouse Right button for Pause.",
                  "Press Key Esc for exit."],
}
WINDOW_NAME = {"shardfall": "OPENGL Shardfall", "lanternis": "OPENGL Lanternis"}
# The key help drawn over the scene (lanternis's differs from its console's).
_OVERLAY_HELP = ("\nPress Key R or Press Mouse Left button to Animate.\nPress Key C to Animate "
                 "Manually.\nPress Key P or Press Mouse Right button to Pause.\nPress Key Esc to ")
OVERLAY = {"shardfall": _OVERLAY_HELP + "Exit.\n", "lanternis": _OVERLAY_HELP + "exit.\n"}
COPYRIGHT = "Copyright (C) 2023 Velmora. All rights reserved."
SUPPORT = "For Support: support@velmora.example.com"
LIMIT_LINE = "It reaches limits, the program terminates."
RESULTS_AT = "Results have been saved in a file and you can find it at: "

# The lines of a frame block after its head line "window: <rank> @ <host>", and the summary.
BLOCK_PATTERNS = {
    "shardfall": [r"It drew (?P<triangles>\d+) Triangles\.",
                  r"It spent: (?P<time>\S+) Secs\. ",
                  r"It was: (?P<angles>\S+) Angles/sec\.",
                  r"It was: (?P<rate>\S+) Triangles/sec\."],
    "lanternis": [r"The system spent: (?P<time>\S+) Secs\. ",
                  r"It was: (?P<angles>\S+) Angles/sec\.",
                  r"It was: (?P<rate>\S+) Vertex/sec\."],
}
SUMMARY_PATTERNS = {
    "shardfall": [r"Total running time:  \S+ Secs\. @ window: {rank}",
                  r"Average Angles/Sec: \S+ Angles/Sec\.",
                  r"Average Triangles/Sec: \S+ Triangles/Sec\.", ""],
    "lanternis": [r"Total running time:  \S+ Secs\. @ window: {rank}",
                  r"Average Angles/Sec: \S+ Angles/Sec\.",
                  r"Average Vertex/Sec: \S+ Vertex/Sec\.", ""],
}


def announcer_lines(program):
    """Process 0's whole console."""
    lines = ["", BANNER[program], COPYRIGHT, SUPPORT, "", "", "", ""] + KEY_HELP[program] + [
        "", "", "Initializing . . ."]
    if program == "lanternis":
        lines.append("")
    return lines


def window_title(program, rank):
    return f"{WINDOW_NAME[program]} Thread: {rank}"


def is_printed_number(text):
    """Whether text is how the streams write a double by default: 6 significant digits,
    general notation."""
    try:
        return format(float(text), ".6g") == text
    except ValueError:
        return False


def printed_number(text):
    """The value of a number that must be written as the streams write a double by default."""
    if not is_printed_number(text):
        raise AssertionError(f"{text!r} is not in 6-digit general notation")
    return float(text)


def block_fields(program, lines):
    """The fields of a frame block's lines after its head line (all of them, or None when a
    line does not match)."""
    fields = {}
    patterns = BLOCK_PATTERNS[program]
    if len(lines) != len(patterns):
        return None
    for pattern, line in zip(patterns, lines):
        match = re.fullmatch(pattern, line)
        if match is None:
            return None
        fields.update(match.groupdict())
    return fields
