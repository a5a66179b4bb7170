"""Helpers for running misbehaving libraries: each case installs the library
under test first and a well-behaved library after it, so that every case
also shows whether the search went on."""
import re

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
