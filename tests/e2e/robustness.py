"""Helpers for running misbehaving libraries: each case installs the library
under test first and a well-behaved library after it, so that every case
also shows whether the search went on."""
import re
import select
import time

from conftest import crlf

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
