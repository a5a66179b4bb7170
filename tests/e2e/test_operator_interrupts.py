"""The operator's way out, on a real terminal: Ctrl+C while the program waits
for a library ends only that library's test; at a question it ends the run."""
import pytest

from conftest import crlf
from robustness import PF, console_from_log, run_on_terminal

HANG_SECONDS = {"TAVRO_TEST_HANG_SECONDS": "1"}
ANSWER_AT = "Y/N?"
TIME_AT = "(10):"


def test_ctrl_c_ends_only_the_test_that_waits_and_the_run_goes_on(probe):
    names = ["a_hang", "b_ignore_ctrl_c_hang", "c_raw_input_exit", "z_next"]
    for name, fixture in zip(names, ["fixture_hang_last_data", "fixture_ignore_ctrl_c_hang",
                                     "fixture_raw_input_exit", "fixture_good"]):
        probe.install(probe.program_files, probe.fixture(fixture), f"{name}.dll")
    code, screen, log = run_on_terminal(probe, [
        (ANSWER_AT, b"y\r"), (TIME_AT, b"1\r"), ("for 2 s", b"\x03"),  # a stalled call
        (ANSWER_AT, b"y\r"), (TIME_AT, b"1\r"), ("for 2 s", b"\x03"),  # the same, Ctrl+C turned off
        # c turns off the console's line input and ends its process: the
        # next question reads a line as the first one did.
        (ANSWER_AT, b"n\r"),
        ("A log file was created at", b"\r")], env=HANG_SECONDS)
    library = {name: f"{PF}{name}.dll" for name in names}
    errors = [line for line in log.split("\r\n") if line.startswith("ERROR")]
    assert errors == [
        f"ERROR: the operator ended the test of Tavro device library {library['a_hang']} in Tavro_GetLastData",
        f"ERROR: the operator ended the test of Tavro device library {library['b_ignore_ctrl_c_hang']} "
        "in Tavro_PrepareExperiment",
        f"ERROR: Tavro device library {library['c_raw_input_exit']} ended the process with exit code 9"]
    assert crlf(f"\nLoading {library['z_next']}\n\n  Tavro device name: Tavro Fixture Device\n") in log
    assert 'Y/N? n\r\n\r\nEnd of testing device "Tavro Fixture Device"' in log
    assert log.endswith(crlf("Directory does not exist\n\n"))
    for line in errors:
        assert line in screen
    assert "A log file was created at" in screen
    assert code == 0


def test_ctrl_c_at_a_question_ends_the_run_without_the_pause(probe):
    probe.install_fixtures("fixture_good")
    code, screen, log = run_on_terminal(probe, [(ANSWER_AT, b"\x03")])
    # What Windows gives a console program ended by Ctrl+C, 0xC000013A: Wine
    # hands Linux its last byte.
    assert code == 0x3A
    assert log.endswith(crlf('device "Tavro Fixture Device" Y/N?\nERROR: the run was ended by the operator\n'))
    assert "ERROR: the run was ended by the operator\r\n" in screen
    assert "A log file was created at" not in screen and "Press any key" not in screen
