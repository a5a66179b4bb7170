"""The acquisition dialogue and the data report, end to end."""
import re

import pytest

from conftest import crlf
from sample_values import sample_lines
from test_device_libraries import PF, TAIL, indent

SAMPLE = "Tavro Sample Device"
FIXTURE = "Tavro Fixture Device"
TIME_LINE = re.compile(r"^  Acquisition Time: (\d\d)/(\d\d)/(\d{4}) (\d\d):(\d\d):(\d\d)$")


def question(name):
    return indent(f'Run acquisition test on device "{name}" Y/N?')


def time_question(name):
    return indent(f'\nMake sure device "{name}" is ready. Enter the acquisition time in seconds (10):')


def acquiring(name):
    return indent(f'\nAcquiring data from "{name}" . . .\n\n')


def blocks(text):
    """The data blocks of a console or log text: lists of their lines."""
    lines = text.replace("\r\n", "\n").split("\n")
    found = []
    for i, line in enumerate(lines):
        if TIME_LINE.match(line):
            block = []
            for following in lines[i + 1:]:
                if following == "  ":
                    break
                block.append(following)
            found.append((line, block))
    return found


def description_end(run):
    body = run.console_body()
    return body.index(crlf(question(SAMPLE)))


def test_refusal_no_time_and_normal_end_are_logged_as_answered(probe):
    for name in ("a_refused", "b_no_time", "c_tested"):
        probe.install(probe.program_files, probe.fixture("fixture_ready_immediate"), f"{name}.dll")
    run = probe.run(stdin=b"yes\r\ny\nten\n  Y \n1\n")
    assert run.returncode == 0
    log = run.log.replace("\r\n", "\n")
    refused = question(FIXTURE) + " yes" + f'\n\nEnd of testing device "{FIXTURE}"\n\n'
    no_time = (question(FIXTURE) + " Y\n" + time_question(FIXTURE) + " ten" +
               f'\n\nEnd of testing device "{FIXTURE}"\n\n')
    tested = question(FIXTURE) + " Y\n" + time_question(FIXTURE) + " 1\n" + acquiring(FIXTURE)
    assert refused in log
    assert no_time in log
    assert tested in log
    assert log.endswith(f'End of testing device "{FIXTURE}"\n\n' + TAIL)
    # The console holds no answers: the operator's typing is the echo.
    console = run.console_body().replace("\r\n", "\n")
    assert question(FIXTURE) + f'\n\nEnd of testing device "{FIXTURE}"\n\n' in console
    assert question(FIXTURE) + time_question(FIXTURE) + "\n" + acquiring(FIXTURE) in console


def test_a_never_ready_device_gets_the_error_and_no_start(probe):
    probe.install(probe.program_files, probe.fixture("fixture_never_ready"), "a_never_ready.dll")
    probe.install(probe.program_files, probe.fixture("fixture_good"), "b_good.dll")
    run = probe.run(stdin=b"y\n1\nn\n", env=probe.trace_env())
    console = run.console_body().replace("\r\n", "\n")
    expected = (question(FIXTURE) + time_question(FIXTURE) + "\n" + acquiring(FIXTURE) +
                f"  ERROR: Tavro device {FIXTURE} is not ready for data acquisition\n  \n" +
                f'End of testing device "{FIXTURE}"\n\n')
    assert expected in console
    assert not blocks(console)
    never = [line for line in probe.trace() if line.startswith("a_never_ready ")]
    calls = [line.split(" ")[1] for line in never]
    assert "Tavro_PrepareExperiment" in calls
    assert "Tavro_StartExperiment" not in calls
    assert "Tavro_StopExperiment" not in calls
    # Unregistered and unloaded all the same, and the next library is tested.
    assert never[-2:] == ["a_never_ready Tavro_SetCallbackInfo null", "a_never_ready DllMain detach"]
    assert crlf(f"\nLoading {PF}b_good.dll\n\n") in run.console_body()


def check_sample_blocks(found):
    numbers = []
    for time_line, lines in found:
        assert TIME_LINE.match(time_line)
        assert len(lines) == 7, lines
        n = int(lines[0].split()[2])
        assert lines == ["  " + line for line in sample_lines(n)]
        numbers.append(n)
    assert numbers == sorted(numbers)
    return numbers


def test_a_one_second_acquisition_of_the_sample_prints_about_ten_correct_blocks(probe):
    probe.install(probe.program_files, probe.sample())
    run = probe.run(stdin=b"\n1\n")
    found = blocks(run.console_body())
    assert 5 <= len(found) <= 12
    numbers = check_sample_blocks(found)
    assert numbers[-1] >= 10  # a new sample every 50 ms
    assert blocks(run.log) == found
    assert run.console_body().endswith(crlf(f'  \nEnd of testing device "{SAMPLE}"\n\n' + TAIL))


def test_readiness_through_the_message_pump(probe):
    probe.install(probe.program_files, probe.sample())
    run = probe.run(stdin=b"y\n1\n", env={"TAVRO_SAMPLE_READY": "message"})
    found = blocks(run.console_body())
    assert 5 <= len(found) <= 12
    check_sample_blocks(found)


@pytest.mark.alone
def test_input_at_its_end_means_yes_and_ten_seconds(probe):
    probe.install(probe.program_files, probe.sample())
    run = probe.run(stdin=b"")
    log = run.log.replace("\r\n", "\n")
    assert question(SAMPLE) + " Y\n" + time_question(SAMPLE) + " 10\n" in log
    found = blocks(run.console_body())
    # 10 s of 100 ms sleeps: at most 101 polls; a slow poll costs some.
    assert 90 <= len(found) <= 101
    check_sample_blocks(found)
