"""What benchjob and benchrank share: children that end with their parent, X display checks,
private Xvfb servers, and ending whatever a job left behind.

Linux only (prctl); Python 3 standard library.
"""

import ctypes
import os
import shutil
import signal
import subprocess
import time

_libc = ctypes.CDLL(None, use_errno=True)
PR_SET_PDEATHSIG = 1
PR_SET_CHILD_SUBREAPER = 36


def die_with_parent(sig):
    """preexec_fn: the child gets sig when the process that started it dies, even by SIGKILL."""
    parent = os.getpid()

    def arm():
        _libc.prctl(PR_SET_PDEATHSIG, int(sig), 0, 0, 0)
        # The parent may have died before prctl took effect.
        if os.getppid() != parent:
            os._exit(1)
    return arm


def signal_when_parent_dies(sig):
    """This process gets sig when its parent dies (at once if it already has)."""
    parent = os.getppid()
    _libc.prctl(PR_SET_PDEATHSIG, int(sig), 0, 0, 0)
    if os.getppid() != parent:
        os.kill(os.getpid(), sig)


def display_works(display):
    """True when an X server answers on display."""
    if not display or not shutil.which("xdpyinfo"):
        return False
    try:
        result = subprocess.run(["xdpyinfo"], env=dict(os.environ, DISPLAY=display),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                stdin=subprocess.DEVNULL, timeout=20)
    except subprocess.TimeoutExpired:
        return False
    return result.returncode == 0


def start_xvfb(side):
    """A private 24-bit Xvfb of side × side pixels that ends with this process; returns
    (process, display), or (None, None) when it does not start."""
    read_end, write_end = os.pipe()
    # -noreset: a server that resets whenever its last client leaves (glxinfo, each xdotool
    # call) refuses the connections that arrive meanwhile, the program's own among them.
    process = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{side}x{side}x24",
         "-nolisten", "tcp", "-noreset"],
        pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
        stderr=subprocess.DEVNULL, preexec_fn=die_with_parent(signal.SIGTERM))
    os.close(write_end)
    number = b""
    with os.fdopen(read_end, "rb") as pipe:
        while not number.endswith(b"\n"):
            chunk = pipe.read(1)
            if not chunk:
                break
            number += chunk
    if not number.strip().isdigit():
        stop_process(process)
        return None, None
    return process, ":" + number.decode().strip()


def stop_process(process, sig=signal.SIGTERM, grace=5):
    """sig, then SIGKILL after grace seconds; nothing when the process has ended."""
    if process is None or process.poll() is not None:
        return
    try:
        process.send_signal(sig)
        process.wait(timeout=grace)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()


def become_subreaper():
    """Descendants whose parents die are handed to this process instead of to init, so that
    end_descendants finds whatever a job leaves behind."""
    _libc.prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0)


def _children(pid):
    """The kernel's list of pid's children, over all of its threads."""
    found = []
    try:
        tasks = os.listdir(f"/proc/{pid}/task")
    except OSError:
        return found
    for task in tasks:
        try:
            with open(f"/proc/{pid}/task/{task}/children") as f:
                found += [int(child) for child in f.read().split()]
        except OSError:
            pass
    return found


def _running(pid):
    """False for a process that has ended and waits only to be reaped."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            stat = f.read()
    except OSError:
        return False
    return stat[stat.rindex(")") + 2] not in "ZX"


def _descendants():
    """Every running process below this one."""
    found, queue = [], [os.getpid()]
    while queue:
        for child in _children(queue.pop()):
            if _running(child):
                found.append(child)
            queue.append(child)
    return found


def _reap():
    """Collects the exit status of every child that has ended."""
    while True:
        try:
            pid, _ = os.waitpid(-1, os.WNOHANG)
        except ChildProcessError:
            return
        if pid == 0:
            return


def end_descendants(grace=5):
    """Ends every process below this one: SIGTERM, a grace period, then SIGKILL."""
    for sig in (signal.SIGTERM, signal.SIGKILL):
        _reap()
        left = _descendants()
        if not left:
            return
        for pid in left:
            try:
                os.kill(pid, sig)
            except ProcessLookupError:
                pass
        deadline = time.monotonic() + grace
        while time.monotonic() < deadline:
            _reap()
            if not _descendants():
                return
            time.sleep(0.1)
