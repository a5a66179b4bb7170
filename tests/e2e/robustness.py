"""Helpers for running misbehaving libraries: each case installs the library
under test first and a well-behaved library after it, so that every case
also shows whether the search went on."""
import fcntl
import os
import pty
import re
import select
import signal
import struct
import termios
import time

from conftest import ARCHES, crlf

PF = "C:\\Program Files\\Morvane\\Tavro\\"
NEXT = "z_next.dll"


def console_from_log(log):
    """The console output the log stands for: the log less the operator's
    answers, which only the log holds (the console showed them as typed)."""
    text = re.sub(r"Y/N\? (Y\r\n|[^\r\n]*)", "Y/N?", log)
    return re.sub(r"\(10\): [^\r\n]*", "(10):", text)


def run_case(probe, library, stdin=b"", name="a_case.dll", env=None):
    """Runs the program with library (a path) then the good fixture."""
    probe.install(probe.program_files, library, name)
    probe.install(probe.program_files, probe.fixture("fixture_good"), NEXT)
    run = probe.run(stdin=stdin, env=env)
    return run


def assert_log_holds_everything(run):
    assert run.log is not None
    assert console_from_log(run.log) == run.console_body()


def assert_next_library_tested(run, program_files=PF):
    body = run.console_body()
    assert crlf(f"\nLoading {program_files}{NEXT}\n\n  Tavro device name: Tavro Fixture Device\n") in body
    assert run.returncode == 0


def run_until_warnings(probe, count, env, stdin=b"y\n1\n", timeout=60):
    """Starts the program and reads its console until count lines starting
    with "WARNING:" have come, then (once the log has caught up with the
    console, or after a few seconds) ends it; the console text and the log."""
    process = probe.prefix.start(probe.arch, probe.start_copy(), cwd=probe.exe_dir, env=env)
    process.stdin.write(stdin)
    process.stdin.flush()
    text = b""
    log_path = probe.exe_dir / "TavroProbe.log"
    log = ""
    deadline = time.monotonic() + timeout
    try:
        while text.count(b"WARNING:") < count and time.monotonic() < deadline:
            ready, _, _ = select.select([process.stdout], [], [], 1)
            if not ready:
                continue
            chunk = process.stdout.read1(4096)
            if not chunk:
                break
            text += chunk
        # The console is written before the log.
        settle = time.monotonic() + 5
        while time.monotonic() < settle:
            log = log_path.read_bytes().decode("latin-1") if log_path.exists() else ""
            if console_from_log(log) == text.decode("latin-1"):
                break
            time.sleep(0.05)
    finally:
        process.kill()
        process.wait()
    return text.decode("latin-1"), log


def run_on_terminal(probe, script, env=None, timeout=90):
    """Runs the program on a pseudo-terminal, as an operator at a console
    would: script is a list of (text, keys): once text has appeared on the
    screen since the last keys, the keys are typed (b"\\x03" is Ctrl+C, which
    the terminal hands to every process of the program). Returns the exit
    code, the screen's text (without the terminal's control sequences, line
    ends as CR LF) and the log."""
    exe = probe.start_copy()
    run_env = dict(probe.prefix.env)
    run_env.update(env or {})
    pid, terminal = pty.fork()
    if pid == 0:
        # Wide enough that no line wraps.
        fcntl.ioctl(0, termios.TIOCSWINSZ, struct.pack("HHHH", 50, 500, 0, 0))
        os.chdir(probe.exe_dir)
        os.execve(ARCHES[probe.arch][1], [ARCHES[probe.arch][1], str(exe)], run_env)
    screen = b""
    seen = 0
    steps = list(script)
    deadline = time.monotonic() + timeout
    status = None
    try:
        while time.monotonic() < deadline:
            ready, _, _ = select.select([terminal], [], [], 0.2)
            if ready:
                try:
                    chunk = os.read(terminal, 4096)
                except OSError:
                    chunk = b""
                if not chunk:
                    break
                screen += chunk
            if steps and steps[0][0].encode() in screen[seen:]:
                seen = len(screen)
                time.sleep(0.2)
                os.write(terminal, steps.pop(0)[1])
            # Processes of Wine's own may hold the terminal after the
            # program has ended.
            done, ended = os.waitpid(pid, os.WNOHANG)
            if done:
                status = ended
                while select.select([terminal], [], [], 0.3)[0]:
                    try:
                        chunk = os.read(terminal, 4096)
                    except OSError:
                        break
                    if not chunk:
                        break
                    screen += chunk
                break
    finally:
        settle = time.monotonic() + 10
        while status is None and time.monotonic() < settle:
            done, ended = os.waitpid(pid, os.WNOHANG)
            if done:
                status = ended
            else:
                time.sleep(0.1)
        if status is None:
            os.kill(pid, signal.SIGKILL)
            os.waitpid(pid, 0)
        os.close(terminal)
    text = re.sub(r"\x1b\[[0-9;?]*[A-Za-z]|\x1b\][^\x07]*\x07", "", screen.decode("latin-1"))
    text = re.sub(r"\r*\n", "\r\n", text)
    log_path = probe.exe_dir / "TavroProbe.log"
    log = log_path.read_bytes().decode("latin-1") if log_path.exists() else None
    return os.waitstatus_to_exitcode(status) if status is not None else None, text, log
