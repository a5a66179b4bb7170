"""Misbehaving device libraries: every misbehaviour ends in its message, the
search goes on and the log keeps everything; a library that ends the process
testing it is named once and costs only its own test, and one that stalls
the run is named while it does."""
import re
import time
from pathlib import Path

import pytest

from conftest import Run, build_dir, crlf, win_path
from robustness import (NEXT, PF, assert_log_holds_everything,
                        assert_next_library_tested, console_from_log, run_case, run_until_warnings)
from test_acquisition import blocks

LOAD_ERROR = "Error: failed to load Tavro library. {path} "
# Wine's text for a log held by another run (Windows says "The process
# cannot access the file because it is being used by another process.").
SHARING_VIOLATION = "Sharing violation."
CASE = PF + "a_case.dll"


def load_error_text(run):
    """The system's error text of the load error line of the case library."""
    body = run.console_body()
    start = body.index(LOAD_ERROR.format(path=CASE)) + len(LOAD_ERROR.format(path=CASE))
    return body[start:body.index("\r\r\n", start)]


@pytest.mark.parametrize("source", ["not_a_pe", "empty", pytest.param("other_arch", marks=pytest.mark.needs_x86),
                                    "refuses_attach"])
def test_files_that_cannot_be_loaded(probe, tmp_path, source):
    if source == "not_a_pe":
        library = probe.fixture("not_a_library")
    elif source == "empty":
        library = tmp_path / "empty.dll"
        library.write_bytes(b"")
    elif source == "other_arch":
        library = build_dir("x86") / "fixtures" / "fixture_good.dll"
    else:
        library = probe.fixture("fixture_refuse_attach")
    run = run_case(probe, library, stdin=b"n\n")
    body = run.console_body()
    assert body.startswith(crlf(f"Searching {PF} . . .\n\nLoading {CASE}\n\n"))
    # The error line carries the system's text with its own CR LF, then the
    # library test's line feed.
    assert load_error_text(run).strip()
    if source == "other_arch":
        # The design's line, then which program tests the library.
        assert f"\r\r\n  {CASE} is a 32-bit (i386) Tavro device library: the i386 TavroProbe tests it" \
               f"\r\n\r\n\r\nLoading {PF}{NEXT}" in body
    else:
        assert f"\r\r\n\r\n\r\nLoading {PF}{NEXT}" in body
    assert_next_library_tested(run)
    assert_log_holds_everything(run)


def test_names_of_255_and_256_characters(probe):
    # Both libraries refused: the next one would otherwise acquire for 10 s.
    run = run_case(probe, probe.fixture("fixture_name_255"), stdin=b"n\nn\n")
    name = "".join(chr(ord("A") + i % 26) for i in range(255))
    assert crlf(f"  Tavro device name: {name}\n") in run.console_body()
    assert_next_library_tested(run)
    assert_log_holds_everything(run)

    # 256 characters and no NUL: read as the first 255.
    run = run_case(probe, probe.fixture("fixture_name_256_no_nul"), stdin=b"n\nn\n")
    assert crlf(f"  Tavro device name: {name}\n") in run.console_body()
    assert f'device "{name}" Y/N?' in run.console_body()
    assert_next_library_tested(run)


@pytest.mark.parametrize("fixture, message", [
    ("fixture_empty_name", f"Error: cannot get Tavro device name from {CASE}."),
    ("fixture_empty_component_name_2", "Error: cannot get Tavro component name for component index 2"),
    ("fixture_type_0", "Error: cannot get Tavro component data type for component index 0"),
    ("fixture_type_8", "Error: cannot get Tavro component data type for component index 0"),
    ("fixture_type_minus1", "Error: cannot get Tavro component data type for component index 0"),
    ("fixture_precision_minus1", "Error: cannot get Tavro component data precision for component index 0"),
])
def test_invalid_descriptions(probe, fixture, message):
    run = run_case(probe, probe.fixture(fixture), stdin=b"n\n")
    assert run.console_body().startswith(crlf(
        f"Searching {PF} . . .\n\nLoading {CASE}\n\n{message}\n\nLoading {PF}{NEXT}\n\n"))
    assert_next_library_tested(run)
    assert_log_holds_everything(run)


def test_ten_thousand_components_are_described_and_acquired(probe):
    run = run_case(probe, probe.fixture("fixture_count_10000"), stdin=b"y\n1\nn\n")
    body = run.console_body()
    assert crlf("  Component count: 10000\n") in body
    assert crlf("  Component index: 9999\n") in body
    found = blocks(body)
    assert 3 <= len(found) <= 12
    assert all(len(lines) == 10000 for _, lines in found)
    assert_next_library_tested(run)
    assert_log_holds_everything(run)


@pytest.mark.parametrize("fixture", ["fixture_never_ready", "fixture_flap"])
def test_devices_that_do_not_stay_ready(probe, fixture):
    run = run_case(probe, probe.fixture(fixture), stdin=b"y\n1\nn\n")
    assert crlf("  ERROR: Tavro device Tavro Fixture Device is not ready for data acquisition\n  \n"
                'End of testing device "Tavro Fixture Device"\n\n') in run.console_body()
    assert not blocks(run.console_body())
    assert_next_library_tested(run)
    assert_log_holds_everything(run)


def test_a_storm_of_state_reports_from_the_librarys_thread(probe):
    run = run_case(probe, probe.fixture("fixture_storm"), stdin=b"y\n2\nn\n")
    body = run.console_body()
    assert 10 <= len(blocks(body)) <= 22
    assert crlf('End of testing device "Tavro Fixture Device"\n\n\nLoading') in body
    assert_next_library_tested(run)
    assert_log_holds_everything(run)


@pytest.mark.parametrize("fixture", ["fixture_null_record", "fixture_null_values"])
def test_missing_records_print_nothing(probe, fixture):
    run = run_case(probe, probe.fixture(fixture), stdin=b"y\n1\nn\n")
    body = run.console_body()
    assert crlf('Acquiring data from "Tavro Fixture Device" . . .\n  \nEnd of testing device') in body
    assert_next_library_tested(run)
    assert_log_holds_everything(run)


def test_a_null_string_and_an_unconvertible_time(probe):
    run = run_case(probe, probe.fixture("fixture_null_string"), stdin=b"y\n1\nn\n")
    found = blocks(run.console_body())
    assert found and all(lines[2] == "  State (null) text" for _, lines in found)
    assert_next_library_tested(run)
    assert_log_holds_everything(run)

    run = run_case(probe, probe.fixture("fixture_huge_time"), stdin=b"y\n1\nn\n")
    found = blocks(run.console_body())
    assert found and all(time == "  Acquisition Time: 00/00/0000 00:00:00" for time, _ in found)
    assert_next_library_tested(run)


def test_slots_are_read_only_as_wide_as_their_type(probe):
    run = run_case(probe, probe.fixture("fixture_upper_bytes"), stdin=b"y\n1\nn\n")
    found = blocks(run.console_body())
    assert found
    for _, lines in found:
        # The library leaves 0xDEADBEEF in the upper half of 4-byte slots.
        assert re.fullmatch(r"  Component 0 3\d{9} \S*", lines[0])
        assert int(lines[0].split()[2]) < 2**32
        assert re.fullmatch(r"  Component 1 -\d+ \S*", lines[1])
        assert re.fullmatch(r"  Component 3 c3 n\d+ \S*", lines[3])
    assert_next_library_tested(run)


def test_an_exception_thrown_across_the_interface(probe):
    run = run_case(probe, probe.fixture("fixture_throw"), stdin=b"y\n1\nn\n")
    # The x86-64 runtime carries the library's exception into the program,
    # where the library test catches it like any other.
    # The message has no line feed of its own: the one added ends its line.
    assert crlf("  \n  fixture_throw: Tavro_GetLastData throws, as configured\n"
                'End of testing device "Tavro Fixture Device"\n\n') in run.console_body()
    assert_next_library_tested(run)
    assert_log_holds_everything(run)


def test_input_ending_mid_dialogue_goes_on_with_the_defaults(probe):
    # One answer only: the time question meets the end of the input, so the
    # case runs 10 s and the next library is tested with yes and 10 s too.
    run = run_case(probe, probe.fixture("fixture_ready_immediate"), stdin=b"y")
    log = run.log
    assert log.count("(10): 10\r\n") == 2
    assert len(blocks(run.console_body())) >= 150
    assert_next_library_tested(run)
    assert_log_holds_everything(run)


def test_answers_with_carriage_returns_count_as_yes(probe):
    run = run_case(probe, probe.fixture("fixture_ready_immediate"), stdin=b"y\r\n1\r\nN\r\n")
    assert 'Y/N? Y\r\n' in run.log
    assert "(10): 1\r\n" in run.log
    assert blocks(run.console_body())
    assert 'Y/N? N\r\n\r\nEnd of testing device' in run.log
    assert_next_library_tested(run)
    assert_log_holds_everything(run)


def test_percent_signs_and_ansi_characters_everywhere(probe, tmp_path):
    library = "a_100% Ger\u00e4t %s.dll"
    probe.install(probe.program_files, probe.fixture("fixture_percent_ansi"), library)
    probe.install(probe.program_files, probe.fixture("fixture_good"), NEXT)
    exe_dir = tmp_path / "Pr\u00fcfung 50% %s"
    run = probe.run(stdin=b"y\n1\nn\n", exe_dir=exe_dir)
    body = run.console_body()  # decoded as Latin-1: the ANSI code page's bytes
    assert crlf(f"Loading {PF}{library}\n\n  Tavro device name: 100% Ger\u00e4t %s %d\n") in body
    assert crlf("  Component name: Temp\u00e9rature %n\n  Component data type: Double\n"
                "  Component units: \u00b0C %%\n") in body
    assert 'Run acquisition test on device "100% Ger\u00e4t %s %d" Y/N?' in body
    found = blocks(body)
    assert found
    for _, lines in found:
        assert lines == ["  Temp\u00e9rature %n 21.5 \u00b0C %%", "  Note %s 50% \u00fcber %d \u00b5s"]
    assert run.log_path.endswith("\\Pr\u00fcfung 50% %s\\TavroProbe.log")
    # The pipe and the log get the ANSI code page's bytes, not the characters
    # a console is shown (no UTF-8, no UTF-16).
    for text in (run.stdout, run.log):
        raw = text.encode("latin-1")
        assert b"Ger\xe4t" in raw and b"\xb0C %%" in raw and b"\xb5s" in raw
        assert b"\xc2" not in raw and b"\xc3" not in raw and b"\0" not in raw
    assert_next_library_tested(run)
    assert_log_holds_everything(run)


def test_libraries_that_catch_their_own_exceptions_or_bring_their_dependency(probe):
    probe.install(probe.program_files, probe.fixture("fixture_catch_seh"), "a_catch_seh.dll")
    probe.install(probe.program_files, probe.fixture("fixture_catch_cxx"), "b_catch_cxx.dll")
    probe.install(probe.program_files, probe.fixture("fixture_import"), "c_import.dll")
    probe.install(probe.program_files, probe.fixture("vendorcore"))
    # What a library sees of the process that tests it: faults reach no
    # dialogue, and a process it starts inherits none of the program's own
    # handles.
    probe.install(probe.program_files, probe.fixture("fixture_inspect"), "e_inspect.dll")
    probe.install(probe.program_files, probe.fixture("fixture_good"), NEXT)
    # The same library in the other folder, without its dependency; that
    # folder writable by everyone, as an installer that forgot to lock it
    # down leaves it (Wine's process runs with administrator rights).
    probe.install(probe.program_data, probe.fixture("fixture_import"), "d_import_alone.dll")
    probe.program_data.chmod(0o777)
    run = probe.run(stdin=b"y\n1\ny\n1\nn\nn\nn\n", env=probe.trace_env())
    body = run.console_body()
    assert len([time for time, _ in blocks(body)]) >= 10
    assert "unhandled exception" not in body
    trace = probe.trace()
    for library in ("a_catch_seh", "b_catch_cxx"):
        assert trace.count(f"{library} caught its own exception") >= 20
    assert "c_import import vendorcore.dll 42" in trace
    [seen] = [line.split()[2:] for line in trace if line.startswith("e_inspect process ")]
    assert int(seen[0].split("=")[1], 16) & 0x8003 == 0x8003 and seen[1] == "inheritable=0", seen
    assert crlf(f"Loading {PF}c_import.dll\n\n  Tavro device name: Tavro Fixture Device\n") in body
    alone = probe.program_data_win() + "d_import_alone.dll"
    assert crlf(f"Loading {alone}\n\n") + LOAD_ERROR.format(path=alone) + \
        "Module not found.\r\r\n" + crlf("  missing: vendorcore.dll\n\n") in body
    # Only the library in the open folder is warned about, right before its
    # Loading line.
    warnings = [line for line in body.split("\r\n") if line.startswith("WARNING")]
    assert warnings == [f"WARNING: Tavro device library {alone} is loaded with administrator rights, and "
                        f"Everyone can write to its folder"]
    assert crlf(f"\n{warnings[0]}\nLoading {alone}\n\n") in body
    assert_next_library_tested(run)
    assert_log_holds_everything(run)


# Libraries that end the process that tests them, each with the answers it
# reads and the line that names it. The thread fixtures end it 300 ms after
# their load, while the good library after them acquires for 2 s.
ENDS = [
    ("a_fault", "fixture_fault", b"y\n1\n", "unhandled exception 0xC0000005 while testing {}"),
    ("b_filter_null", "fixture_filter_null_fault", b"y\n1\n", "unhandled exception 0xC0000005 while testing {}"),
    ("c_filter_own", "fixture_filter_own_fault", b"y\n1\n", "unhandled exception 0xC0000005 while testing {}"),
    ("d_recurse", "fixture_recurse", b"", "unhandled exception 0xC00000FD while testing {}"),
    ("e_exit", "fixture_exit", b"y\n1\n", "{} ended the process with exit code 3"),
    ("f_crt_exit", "fixture_crt_exit", b"y\n1\n", "{} ended the process with exit code 4"),
    ("g_terminate", "fixture_terminate", b"y\n1\n", "{} ended the process with exit code 6"),
    ("h_fastfail", "fixture_fastfail", b"y\n1\n", "unhandled exception 0xC0000409 while testing {}"),
    ("i_thread_exit", "fixture_thread_exit", b"n\n", None),
    ("i_until", "fixture_good", b"y\n2\n", "{i_thread_exit} ended the process with exit code 5 while testing {}"),
    ("j_thread_fault", "fixture_thread_fault", b"n\n", None),
    ("j_until", "fixture_good", b"y\n2\n", "unhandled exception 0xC0000005 in {j_thread_fault} while testing {}"),
    ("k_thread_crt_fault", "fixture_thread_crt_fault", b"n\n", None),
    ("k_until", "fixture_good", b"y\n2\n",
     "unhandled exception 0xC0000005 in {k_thread_crt_fault} while testing {}"),
    ("l_thread_throw", "fixture_thread_throw", b"n\n", None),
    ("l_until", "fixture_good", b"y\n2\n", "unhandled exception 0x20474343 in {l_thread_throw} while testing {}"),
    # A thread the C runtime or the thread pool started for the library: its
    # start address says nothing, its stack names the library.
    ("m_crt_thread_exit", "fixture_crt_thread_exit", b"n\n", None),
    ("m_until", "fixture_good", b"y\n2\n", "{m_crt_thread_exit} ended the process with exit code 5 while testing {}"),
    ("n_pool_thread_exit", "fixture_pool_thread_exit", b"n\n", None),
    ("n_until", "fixture_good", b"y\n2\n", "{n_pool_thread_exit} ended the process with exit code 5 while testing {}"),
    # A thread of the library's own overflows its stack: the room for the
    # report comes from every new thread's stack.
    ("o_thread_overflow", "fixture_thread_overflow", b"y\n1\n", "unhandled exception 0xC00000FD while testing {}"),
    # Two libraries at one base, the first gone with its child: the second's
    # thread ends the process during its own test.
    ("p_base_exit", "fixture_exit_at_base", b"y\n1\n", "{} ended the process with exit code 3"),
    ("q_base_thread_exit", "fixture_thread_exit_at_base", b"y\n2\n", "{} ended the process with exit code 5"),
]


def library_text(name):
    return f"Tavro device library {PF}{name}.dll"


def test_every_library_that_ends_the_process_is_named_once_and_the_search_goes_on(probe):
    for name, fixture, _, _ in ENDS:
        probe.install(probe.program_files, probe.fixture(fixture), f"{name}.dll")
    probe.install(probe.program_files, probe.fixture("fixture_good"), NEXT)
    run = probe.run(stdin=b"".join(answers for _, _, answers, _ in ENDS) + b"n\n")
    body = run.console_body()
    libraries = {name: library_text(name) for name, _, _, _ in ENDS}
    reports = ["ERROR: " + line.format(libraries[name], **libraries) for name, _, _, line in ENDS if line]
    found = [line for line in body.split("\r\n") if line.startswith("ERROR:")]
    assert found == reports
    for report in reports:
        # The next library's test follows the report at once.
        assert crlf(f"{report}\n\nLoading {PF}") in body
    for name, _, _, _ in ENDS + [(NEXT[:-4], None, None, None)]:
        assert body.count(f"Loading {PF}{name}.dll\r\n") == 1, name
    assert body.count("Searching ") == 2
    assert 'End of testing device "Tavro Fixture Device"\r\n\r\n\r\nSearching C:\\ProgramData' in body
    assert_next_library_tested(run)
    assert_log_holds_everything(run)


@pytest.mark.parametrize("fixture, call", [("fixture_hang_attach", "loading"),
                                           ("fixture_hang_last_data", "Tavro_GetLastData"),
                                           ("fixture_hang_message", "a window message"),
                                           ("fixture_hang_unload", "unloading")])
def test_a_call_that_never_returns_is_named_at_doubling_intervals(probe, fixture, call):
    probe.install(probe.program_files, probe.fixture(fixture), "a_case.dll")
    probe.install(probe.program_files, probe.fixture("fixture_good"), NEXT)
    # 1 s instead of 30 s, for the test only.
    console, log = run_until_warnings(probe, 3, {"TAVRO_TEST_HANG_SECONDS": "1"})
    warnings = [line for line in console.split("\r\n") if line.startswith("WARNING")]
    assert warnings == [f"WARNING: Tavro device library {CASE} has not returned from {call} for {seconds} s"
                        for seconds in (1, 2, 4)]
    assert console.endswith(warnings[-1] + "\r\n")
    assert console_from_log(log) == console


def test_what_a_library_does_to_the_process_that_tests_it_costs_only_its_own_test(probe):
    """The state the testing process shares with the program written over,
    a copy of the library planted beside it, a wait of the thread pool that
    ends the process as its library is unloaded, and a thread that ends
    holding the C runtime's locks before a call that never returns: each is
    named once, no library is skipped or tested twice, and the warnings come
    in time."""
    cases = [("a_scribble", "fixture_scribble", b""), ("b_plant", "fixture_plant", b""),
             ("c_exit_after_unload", "fixture_exit_after_unload", b"n\n"), ("d_next", "fixture_good", b"y\n1\n"),
             ("e_lock_hang", "fixture_lock_hang", b"y\n1\n")]
    for name, fixture, _ in cases:
        probe.install(probe.program_files, probe.fixture(fixture), f"{name}.dll")
    console, log = run_until_warnings(probe, 3, {"TAVRO_TEST_HANG_SECONDS": "1"},
                                      stdin=b"".join(answers for _, _, answers in cases))
    library = {name: f"{PF}{name}.dll" for name, _, _ in cases}
    assert crlf(f"Loading {library['a_scribble']}\n\n"
                "ERROR: the search process ended with exit code 7 and left no usable state\n"
                f"\nLoading {library['b_plant']}\n\n"
                f"ERROR: Tavro device library {library['b_plant']} ended the process with exit code 8\n") in console
    for name, _, _ in cases:
        assert console.count(f"Loading {library[name]}\r\n") == 1, name
    # Wine lists a folder once, as the search starts it: the planted copy
    # comes too late to be found; where it is found, it is tested once.
    assert console.count(f"Loading {PF}b_planted.dll\r\n") <= 1
    # The system runs the end of c's wait when it will: before d's Loading
    # line, between it and d's test, during d's test, or not before the
    # child has ended. Whenever it does, d is tested or named in the report.
    reports = [line for line in console.split("\r\n") if line.startswith("ERROR:")][2:]
    ending = rf"ERROR: Tavro device library ({re.escape(library['c_exit_after_unload'])}|" \
             rf"{re.escape(library['d_next'])}) ended the process with exit code 5" \
             rf"( while testing Tavro device library {re.escape(library['d_next'])})?"
    assert len(reports) <= 1 and all(re.fullmatch(ending, report) for report in reports), reports
    d_tested = re.search(rf"Loading {re.escape(library['d_next'])}\r\n\r\n(ERROR: [^\r]*\r\n)?"
                         r"  Tavro device name: Tavro Fixture Device\r\n", console)
    assert d_tested or library["d_next"] in "".join(reports)
    warnings = [line for line in console.split("\r\n") if line.startswith("WARNING")]
    assert warnings == [f"WARNING: Tavro device library {library['e_lock_hang']} has not returned from "
                        f"Tavro_GetLastData for {seconds} s" for seconds in (1, 2, 4)]
    assert console.endswith(warnings[-1] + "\r\n")
    # A child that the end of c's wait kills between the console's copy of a
    # text and the log's loses the log's: every report and warning is there.
    for line in console.split("\r\n"):
        if line.startswith(("ERROR", "WARNING")):
            assert line + "\r\n" in log, line


@pytest.mark.alone
def test_a_call_that_returns_late_is_warned_about_and_then_waited_for(probe):
    # Tavro_PrepareExperiment returns after 2.5 s: warned at 1 and 2 s.
    run = run_case(probe, probe.fixture("fixture_slow_prepare"), stdin=b"y\n1\nn\n",
                   env={"TAVRO_TEST_HANG_SECONDS": "1"})
    body = run.console_body()
    warnings = [line for line in body.split("\r\n") if line.startswith("WARNING")]
    assert warnings == [f"WARNING: Tavro device library {CASE} has not returned from Tavro_PrepareExperiment "
                        f"for {seconds} s" for seconds in (1, 2)]
    assert blocks(body)
    assert_next_library_tested(run)
    assert_log_holds_everything(run)


def test_a_second_run_in_the_same_folder_leaves_the_log_of_the_first_whole(probe):
    probe.install_fixtures("fixture_good")
    exe = probe.start_copy()
    first = probe.prefix.start("x64", exe, cwd=probe.exe_dir)
    shown = b""
    while b"Y/N?" not in shown:
        chunk = first.stdout.read1(4096)
        assert chunk, shown
        shown += chunk
    second = probe.run()
    assert second.returncode == 1
    # The system's reason under the error line, its line ending once.
    assert second.stdout == crlf(f"ERROR: failed to create log file {second.log_path}\n"
                                 f"  {SHARING_VIOLATION}\n")
    rest, _ = first.communicate(b"n\n", timeout=120)
    log = (probe.exe_dir / "TavroProbe.log").read_bytes().decode("latin-1")
    run = Run(first.returncode, (shown + rest).decode("latin-1"), log, second.log_path, probe.exe_dir)
    assert run.returncode == 0
    assert crlf('End of testing device "Tavro Fixture Device"\n') in log
    assert_log_holds_everything(run)



def test_in_process_tests_in_the_programs_own_process_for_a_debugger(probe):
    # No child and no containment: a library that ends the process ends the
    # program, as the program's one process would end; any other argument is
    # ignored.
    probe.install_fixtures("fixture_good")
    probe.install(probe.program_files, probe.fixture("fixture_exit"), "b_exit.dll")
    exe = probe.start_copy()
    result = probe.prefix.run(probe.arch, exe, ["--in-process", "--anything"], stdin=b"y\n1\nn\n",
                              cwd=probe.exe_dir)
    assert result.returncode == 3
    console = result.stdout.decode("latin-1")
    assert console.endswith(crlf("Acquiring data from \"Tavro Fixture Device\" . . .\n  \n"))
    assert "ERROR" not in console


def child_processes(exe_dir):
    """The Linux processes of the program's children started from exe_dir
    (Wine shows a process's Windows command line)."""
    found = []
    for entry in Path("/proc").iterdir():
        try:
            command = (entry / "cmdline").read_bytes().replace(b"\0", b" ").decode("latin-1")
        except OSError:
            continue
        if "--search-child" in command and win_path(exe_dir / "TavroProbe.exe") in command:
            found.append(int(entry.name))
    return found


def is_running(pid):
    try:
        return (Path("/proc") / str(pid) / "stat").read_text().split(") ")[1][0] != "Z"
    except (OSError, IndexError):
        return False


def test_a_killed_program_leaves_no_child_behind(probe):
    probe.install(probe.program_files, probe.fixture("fixture_hang_last_data"), "a_case.dll")
    process = probe.prefix.start(probe.arch, probe.start_copy(), cwd=probe.exe_dir,
                                 env={"TAVRO_TEST_HANG_SECONDS": "1"})
    try:
        process.stdin.write(b"y\n1\n")
        process.stdin.flush()
        shown = b""
        while b"WARNING:" not in shown:
            chunk = process.stdout.read1(4096)
            assert chunk, shown
            shown += chunk
        [child] = child_processes(probe.exe_dir)
    finally:
        process.kill()
        process.wait()
    # The child is in a job that ends it with the program.
    deadline = time.monotonic() + 10
    while is_running(child) and time.monotonic() < deadline:
        time.sleep(0.1)
    assert not is_running(child)
