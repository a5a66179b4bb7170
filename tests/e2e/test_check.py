"""TavroCheck end to end: the checker's verdicts on the sample device library
and on every fixture, read from its JSON and JUnit files.

The table below is the checker's test suite: each library and the set of
checks it must fail; every other check must pass, report information, warn
(where WARNINGS says so) or be skipped because a check it needs failed. The
table libraries are checked by three TavroCheck runs on x86-64 (made at
once) and a few of them by one on i386, without the two long acquisition
checks; the libraries that end or stall their checking process (CONTAINED)
by one more x86-64 run; the long checks by a run of the libraries made for
them (ACQUISITION) and by the run of the sample with the defaults."""
import json
import re
import time
import xml.etree.ElementTree as ElementTree

import pytest

from conftest import REPO, build_dir, i386_emulated, win_path

REQUIRED = ["GetDeviceName", "GetNumberOfComponents", "GetComponentName", "GetComponentUnits",
            "GetComponentDataType", "GetComponentDataPrecision", "PrepareExperiment",
            "StartExperiment", "GetLastData", "GetAvailableDataCount", "GetData", "StopExperiment",
            "SetCallbackInfo"]
NOT_LOADED = {"exports.required", "load.library"}
LONG_CHECKS = "acquisition.cycles,acquisition.soak"

# library (a fixture's base name, or "sample") -> the checks it fails
TABLE = {
    "sample": set(),
    "fixture_good": set(),
    "fixture_no_version": set(),
    **{f"fixture_no_{name}": {"exports.required"} for name in REQUIRED},
    "fixture_no_last_data_or_count": {"exports.required"},
    "fixture_empty_name": {"texts.device_name"},
    "fixture_name_255": set(),
    "fixture_name_256_no_nul": {"texts.device_name"},
    "fixture_empty_component_name_0": {"texts.component_names"},
    "fixture_empty_component_name_2": {"texts.component_names"},
    "fixture_type_0": {"description.types"},
    "fixture_type_1": set(),
    "fixture_type_7": set(),
    "fixture_type_8": {"description.types"},
    "fixture_type_minus1": {"description.types"},
    "fixture_precision_minus1": {"description.precision"},
    "fixture_empty_units": set(),
    "fixture_units_emptied": {"texts.units"},
    "fixture_count_0": set(),
    "fixture_count_minus1": {"description.count"},
    "fixture_count_10000": set(),
    "fixture_never_ready": {"readiness.callback"},
    "fixture_ready_immediate": set(),
    "fixture_ready_message": set(),
    "fixture_flap": set(),
    "fixture_storm": set(),
    "fixture_null_record": {"data.last_data"},
    "fixture_null_values": {"data.last_data", "data.count_vs_getdata"},
    "fixture_null_string": {"data.strings"},
    "fixture_upper_bytes": set(),
    "fixture_huge_time": set(),
    "fixture_fixed_time": set(),
    "fixture_throw": {"data.last_data"},
    "fixture_percent_ansi": set(),
    "fixture_refuse_attach": {"load.library"},
    "not_a_library": NOT_LOADED,
    "empty": NOT_LOADED,
    "fixture_text_overrun": {"texts.buffer_guard"},
    "fixture_late_callback": {"unregister.no_callback_after"},
    "fixture_leave_thread": {"unload.threads"},
    "fixture_leave_timer": {"unload.timers"},
    "fixture_time_backwards": set(),
    "fixture_decorated_export": {"exports.required"},
    "fixture_unknown_export": set(),
    "fixture_catch_seh": set(),
    "fixture_catch_cxx": set(),
    "fixture_import": set(),
    "fixture_no_queue": set(),
}
# library -> the checks that end in a warning (none elsewhere)
WARNINGS = {
    "fixture_no_version": {"exports.version"},
    "fixture_flap": {"readiness.callback"},
    "fixture_unknown_export": {"exports.unknown"},
    "fixture_time_backwards": {"data.times_monotonic"},
    "fixture_slow_last_data": {"acquisition.poll_time"},
    "fixture_slow_poll": {"acquisition.poll_time"},
}
# In the table run, only with the cycles and the soak left out.
TABLE_WARNINGS = {**WARNINGS, "fixture_null_record": {"data.count_vs_getdata"}}
del TABLE_WARNINGS["fixture_slow_last_data"], TABLE_WARNINGS["fixture_slow_poll"]
# The libraries made for the long acquisition checks, each failing its own.
ACQUISITION = {
    "fixture_ready_once": {"acquisition.cycles"},
    "fixture_memory_growth": {"acquisition.soak"},
    "fixture_handle_leak": {"acquisition.soak"},
    "fixture_good": set(),
}
# On i386 the sample and a few that read the 32-bit layouts: exports, record
# and times; checked in checking processes where i386 runs natively, and
# --in-process, in one process, where it runs emulated (each i386 process
# costs about a minute there).
I386_TABLE = ["sample", "fixture_no_GetData", "fixture_time_backwards"]
# Libraries that end or stall the process checking them, each with the
# checks it fails and the message of the first (with --time 1); every other
# check passes or is skipped naming a failed one.
PREPARE_ENDS = {"readiness.callback", "unregister.no_callback_after"}
CONTAINED = {
    "fixture_exit": (PREPARE_ENDS, "Tavro_PrepareExperiment ended the process with exit code 3"),
    "fixture_crt_exit": (PREPARE_ENDS, "Tavro_PrepareExperiment ended the process with exit code 4"),
    "fixture_terminate": (PREPARE_ENDS, "Tavro_PrepareExperiment ended the process with exit code 6"),
    "fixture_fastfail": (PREPARE_ENDS, "exception 0xC0000409 (fail-fast or stack buffer overrun) inside "
                                       "Tavro_PrepareExperiment"),
    "fixture_text_overrun_1000": ({"texts.buffer_guard"}, "Tavro_GetDeviceName wrote past the end of a "
                                  "256-byte buffer (exception 0xC0000005 (access violation))"),
    "fixture_recurse": ({"texts.buffer_guard"}, "exception 0xC00000FD (stack overflow) inside "
                        "Tavro_GetComponentName"),
    "fixture_fault": ({"data.last_data"}, "exception 0xC0000005 (access violation) inside Tavro_GetLastData"),
    "fixture_hang_last_data": ({"data.last_data"}, "Tavro_GetLastData did not return within 1.0 s; its "
                               "process was ended"),
    "fixture_forge_done": ({"data.last_data"}, 'the checking process wrote "done" during data.last_data, before '
                           'its result: a forged line'),
    "fixture_hang_exit": ({"unload.twice"}, "round 1: the library is still mapped after FreeLibrary"),
    "fixture_good": (set(), None),
}


def run_tavro_check(prefix, arch, folder, args, timeout, env=None):
    """Runs TavroCheck.exe; returns its exit code, standard output and error."""
    result = prefix.run(arch, build_dir(arch) / "check" / "TavroCheck.exe", args, cwd=folder,
                        timeout=timeout, env=env)
    return result.returncode, result.stdout.decode("latin-1"), result.stderr.decode("latin-1")


def library_path(arch, name):
    if name == "sample":
        return build_dir(arch) / "sdk" / "TavroSampleDevice.dll"
    return build_dir(arch) / "fixtures" / f"{name}.dll"


class CheckRun:
    """One TavroCheck process: its exit code, console, JSON and JUnit files."""

    def __init__(self, prefix, arch, folder, names, args=("--time", "2"), timeout=900, env=None):
        self.folder = folder
        folder.mkdir(parents=True, exist_ok=True)
        self.json_path = folder / "report.json"
        self.junit_path = folder / "report.xml"
        self.paths = [library_path(arch, name) for name in names]
        args = [*args, "--json", win_path(self.json_path), "--junit", win_path(self.junit_path),
                *[win_path(path) for path in self.paths]]
        self.returncode, self.stdout, self.stderr = run_tavro_check(prefix, arch, folder, args, timeout, env)
        self.names = names
        self.report = json.loads(self.json_path.read_text(encoding="utf-8"))

    def library(self, name, round=1):
        """The JSON results of one library, as {check id: (verdict, message)}."""
        wanted = win_path(self.paths[self.names.index(name)])
        for library in self.report["libraries"]:
            if library["library"] == wanted and library["round"] == round:
                return {c["id"]: (c["verdict"], c["message"]) for c in library["checks"]}
        raise AssertionError(f"{name} is not in the report")

    def seconds(self, name):
        wanted = win_path(self.paths[self.names.index(name)])
        return next(lib["seconds"] for lib in self.report["libraries"] if lib["library"] == wanted)


def verdicts(checks, verdict):
    return {check for check, (seen, _) in checks.items() if seen == verdict}


def assert_row(run, name, failed=None, warnings=WARNINGS):
    checks = run.library(name)
    assert verdicts(checks, "fail") == (TABLE[name] if failed is None else failed), checks
    assert verdicts(checks, "warning") == warnings.get(name, set()), checks
    for check, (verdict, message) in checks.items():
        if verdict == "skipped" and message != "skipped: the export table could not be read":
            # It names a check of the same library that failed, or was
            # skipped in turn.
            match = re.fullmatch(r"skipped: (\S+) did not pass", message)
            assert match and checks.get(match.group(1), ("",))[0] in ("fail", "skipped"), (check, message)


# The table's libraries are checked by this many TavroCheck runs, which
# pytest-xdist makes at once; the libraries whose messages are read below are
# all in the first.
TABLE_RUNS = 3
SEEN = ["fixture_good", "fixture_never_ready", "fixture_ready_message", "fixture_throw", "fixture_percent_ansi"]


def _table_runs():
    """Each library's run: the SEEN ones in the first, every other one in
    the run that has the fewest so far."""
    runs = {name: 0 for name in SEEN}
    sizes = [len(SEEN)] + [0] * (TABLE_RUNS - 1)
    for name in TABLE:
        if name not in runs:
            runs[name] = sizes.index(min(sizes))
            sizes[runs[name]] += 1
    return runs


TABLE_RUN = _table_runs()


@pytest.fixture(scope="module")
def x64_tables(prefix, tmp_path_factory):
    """The table run of a given index, made at its first use."""
    runs = {}

    def run(index):
        if index not in runs:
            runs[index] = CheckRun(prefix, "x64", tmp_path_factory.mktemp(f"check-x64-{index}"),
                                   [name for name in TABLE if TABLE_RUN[name] == index],
                                   args=("--time", "3", "--skip", LONG_CHECKS))
        return runs[index]
    return run


def in_table_run(index):
    """The cases that read one table run share a worker."""
    return pytest.mark.xdist_group(f"x64_table_{index}")


@pytest.mark.parametrize("name", [pytest.param(name, marks=in_table_run(TABLE_RUN[name])) for name in TABLE])
def test_x64_table_row(x64_tables, name):
    assert_row(x64_tables(TABLE_RUN[name]), name, warnings=TABLE_WARNINGS)


@pytest.mark.parametrize("index", [pytest.param(index, marks=in_table_run(index)) for index in range(TABLE_RUNS)])
def test_x64_table_run_reports_every_library_and_exits_1(x64_tables, index):
    run = x64_tables(index)
    assert run.returncode == 1
    assert len(run.report["libraries"]) == len(run.names)
    assert run.report["architecture"] == "x86-64"
    assert not run.report["passed"]
    # Every failure names a rule of the interface header, and no other
    # verdict does; the table shows it.
    header = (REPO / "sdk" / "include" / "TavroDeviceLibrary.h").read_text()
    for library in run.report["libraries"]:
        for check in library["checks"]:
            assert (check["verdict"] == "fail") == (check["rule"] != ""), check
            assert check["rule"] == "" or f" *  [{check['rule']}]" in header, check


@in_table_run(0)
def test_x64_table_messages_say_what_was_seen(x64_tables):
    run = x64_tables(0)
    good = run.library("fixture_good")
    assert "from the library's thread 0x" in good["readiness.callback"][1]
    # A queue: each record read lowers the count by one (how many were
    # taken in the data watch depends on the machine's load).
    assert good["data.count_vs_getdata"][0] == "info"
    assert re.fullmatch(r"a queue: [1-9]\d* records read, each lowering the count by one; with none available "
                        r"Tavro_GetData returns a record \(the newest again\)", good["data.count_vs_getdata"][1])
    assert "no state 1 within 3.0 s (0 reports) (rule: ready)" in run.stdout
    assert "from the checker's thread from a dispatched message" in \
        run.library("fixture_ready_message")["readiness.callback"][1]
    assert run.library("fixture_throw")["data.last_data"][1] == \
        "Tavro_GetLastData threw a C++ exception: fixture_throw: Tavro_GetLastData throws, as configured"
    # ANSI characters of a library's texts arrive in the JUnit file as UTF-8.
    suites = ElementTree.parse(run.junit_path).getroot().findall("testsuite")
    percent = suites[[p.name for p in run.paths].index("fixture_percent_ansi.dll")]
    assert "100% Ger\u00e4t %s %d" in "".join(percent.itertext())


@pytest.mark.parametrize("index", [pytest.param(index, marks=in_table_run(index)) for index in range(TABLE_RUNS)])
def test_x64_junit_has_one_suite_per_library_and_a_case_per_check(x64_tables, index):
    run = x64_tables(index)
    root = ElementTree.parse(run.junit_path).getroot()
    suites = root.findall("testsuite")
    assert [s.get("name") for s in suites] == [p.name for p in run.paths]
    failures = 0
    for suite, library in zip(suites, run.report["libraries"]):
        cases = suite.findall("testcase")
        assert [c.get("name") for c in cases] == [c["id"] for c in library["checks"]]
        for case, check in zip(cases, library["checks"]):
            assert (case.find("failure") is not None) == (check["verdict"] == "fail")
            assert (case.find("skipped") is not None) == (check["verdict"] == "skipped")
        failures += int(suite.get("failures"))
    assert int(root.get("failures")) == failures > 0


@pytest.mark.alone
def test_the_sample_and_libraries_with_warnings_only_pass_with_exit_0(prefix, tmp_path):
    run = CheckRun(prefix, "x64", tmp_path, ["sample", "fixture_no_queue", *WARNINGS], args=())
    assert run.returncode == 0, run.stdout
    assert run.report["passed"]
    assert "PASSED: 21 passed, 2 info, 0 warnings, 0 failed, 0 skipped" in run.stdout
    assert run.seconds("sample") < 15
    for name in WARNINGS:
        assert_row(run, name, failed=set())
    assert "took over 10 ms" in run.library("fixture_slow_last_data")["acquisition.poll_time"][1]
    # 1.2 s a poll: the soak polls at the host's pace for its time, and
    # every call returned.
    soak = run.library("fixture_slow_poll")["acquisition.soak"]
    assert soak[0] == "info" and re.fullmatch(r"[1-7] polls in [\d.]+ s: too few to judge growth", soak[1]), soak
    # A library without a queue behind Tavro_GetData is told, not failed.
    assert run.library("fixture_no_queue")["data.count_vs_getdata"] == (
        "info", "not a queue: after one Tavro_GetData the count went from 1 to 1 (what the count means is left open)")
    root = ElementTree.parse(run.junit_path).getroot()
    assert int(root.get("failures")) == 0 and not list(root.iter("failure"))


def test_nothing_a_library_does_stops_the_run(prefix, tmp_path):
    started = time.monotonic()
    trace = tmp_path / "trace.txt"
    run = CheckRun(prefix, "x64", tmp_path, list(CONTAINED),
                   args=("--time", "1", "--soak", "1", "--trace", win_path(trace)), timeout=300)
    seconds = time.monotonic() - started
    assert run.returncode == 1, run.stdout
    suites = ElementTree.parse(run.junit_path).getroot().findall("testsuite")
    assert [s.get("name") for s in suites] == [p.name for p in run.paths]
    for name, (failed, message) in CONTAINED.items():
        assert_row(run, name, failed)
        checks = run.library(name)
        first = next((check for check in checks if check in failed), None)
        assert (checks[first][1] if first else None) == message, name
    # Each call that does not return is ended at its bound (here 1 s); about
    # 40 s in all.
    assert seconds < 120, seconds
    # A checking process that does not end after its last report is ended,
    # and named.
    assert re.search(r"TavroCheck: the checking process \d+ of \S+fixture_hang_exit\.dll did not end within "
                     r"1\.0 s of its last report; it was ended", run.stderr), run.stderr
    # The trace has the calls that never returned, told by the parent.
    lines = trace.read_text(encoding="latin-1").splitlines()
    assert any(re.fullmatch(r"\d\d:\d\d:\d\d\.\d{3} 0x[0-9A-F]+ Tavro_GetLastData\(\) -> did not return: "
                            r"Tavro_GetLastData did not return within 1\.0 s; its process was ended", line)
               for line in lines), lines[-20:]
    assert any(line.endswith("Tavro_PrepareExperiment() -> did not return: Tavro_PrepareExperiment ended the "
                             "process with exit code 3") for line in lines)


def test_bad_usage_exits_2_with_the_usage_text(prefix, tmp_path):
    for args in [[], ["--time"], ["--time", "soon", "a.dll"], ["--colour", "a.dll"], ["--only", "data.lastdata", "a.dll"],
                 ["--skip", "*", "a.dll"], ["--soak", "0", "a.dll"], ["--repeat", "0", "a.dll"]]:
        returncode, _, stderr = run_tavro_check(prefix, "x64", tmp_path, args, 60)
        assert returncode == 2, args
        assert "Usage: TavroCheck [--time SECONDS] [--soak SECONDS] [--only ID]... [--skip ID]..." in stderr, args


@pytest.mark.needs_x86
def test_i386_sample_and_a_few_fixtures(prefix, tmp_path):
    in_process = ("--in-process",) if i386_emulated() else ()
    run = CheckRun(prefix, "x86", tmp_path, I386_TABLE, args=("--time", "10", "--soak", "1", *in_process),
                   timeout=900)
    assert run.report["architecture"] == "i386"
    for name in I386_TABLE:
        assert_row(run, name)
    assert run.returncode == 1


@pytest.mark.alone
def test_long_acquisitions_fail_each_library_on_its_own_check(prefix, tmp_path):
    """--soak, --quiet and --trace: a second prepare that never gets ready,
    memory and handles that grow with every poll."""
    trace = tmp_path / "trace.txt"
    run = CheckRun(prefix, "x64", tmp_path, list(ACQUISITION),
                   args=("--soak", "2", "--quiet", "--trace", win_path(trace)))
    assert run.returncode == 1
    for name, failed in ACQUISITION.items():
        assert_row(run, name, failed)
    assert run.library("fixture_ready_once")["acquisition.cycles"][1].startswith(
        "acquisition 1 of 10: no state 1 within 10.0 s of Tavro_PrepareExperiment")
    assert re.fullmatch(r"private bytes grew steadily by \d+ bytes per poll over 16 polls, from [\d.]+ MB to "
                        r"[\d.]+ MB \(bound: 1024 bytes per poll\)",
                        run.library("fixture_memory_growth")["acquisition.soak"][1])
    assert re.fullmatch(r"handles grew steadily by 1\.00 per poll over 16 polls, from \d+ to \d+ "
                        r"\(bound: 0\.10 per poll\)", run.library("fixture_handle_leak")["acquisition.soak"][1])
    # Quiet: the failures and each summary, no passes.
    assert "  PASS " not in run.stdout and "  INFO " not in run.stdout
    assert "  FAIL     acquisition.soak              handles grew steadily" in run.stdout
    assert run.stdout.count("PASSED: ") == 1 and run.stdout.count("FAILED: ") == 3
    # The trace: every call with its thread, arguments, result and time,
    # and the callbacks.
    lines = trace.read_text(encoding="latin-1").splitlines()
    stamp = r"\d\d:\d\d:\d\d\.\d{3} 0x[0-9A-F]+ "
    assert re.fullmatch(stamp + r'LoadLibrary\(".*fixture_ready_once\.dll"\) -> loaded \(\d+\.\d{3} ms\)', lines[0])
    assert any(re.fullmatch(stamp + r'Tavro_GetDeviceName\(0x[0-9A-F]+, 256\) -> "Tavro Fixture Device" '
                            r'\(\d+\.\d{3} ms\)', line) for line in lines)
    assert any(re.fullmatch(stamp + r"callback\(0x[0-9A-F]+, 1\)", line) for line in lines)
    polls = [line for line in lines if "Tavro_GetLastData() -> " in line]
    assert len(polls) > 3 * 20
    assert all(re.fullmatch(stamp + r"Tavro_GetLastData\(\) -> (NULL|0x[0-9A-F]+) \(\d+\.\d{3} ms\)", line)
               for line in polls), polls[:3]


def test_only_skip_and_repeat_choose_checks_and_rounds(prefix, tmp_path):
    """--only, --skip and --repeat; a library that breaks in round 2 (its
    4th load: each round loads it once for the checks and twice for
    unload.twice) fails in round 2."""
    loads = {"TAVRO_FIXTURE_LOADS": win_path(tmp_path / "loads")}
    run = CheckRun(prefix, "x64", tmp_path, ["fixture_good", "fixture_null_string", "fixture_breaks_from_load_4"],
                   args=("--only", "data.*,unload.twice", "--skip", "data.times_monotonic", "--repeat", "2"),
                   env=loads)
    assert run.returncode == 1
    assert [(lib["library"].rsplit("\\", 1)[-1], lib["round"]) for lib in run.report["libraries"]] == [
        ("fixture_good.dll", 1), ("fixture_null_string.dll", 1), ("fixture_breaks_from_load_4.dll", 1),
        ("fixture_good.dll", 2), ("fixture_null_string.dll", 2), ("fixture_breaks_from_load_4.dll", 2)]
    assert verdicts(run.library("fixture_breaks_from_load_4", 1), "fail") == set()
    assert run.library("fixture_breaks_from_load_4", 2)["data.last_data"][0] == "fail"
    assert verdicts(run.library("fixture_breaks_from_load_4", 2), "fail") == {"data.last_data"}
    chosen = {"exports.required", "load.library", "description.count", "description.types", "readiness.callback",
              "data.last_data", "data.count_vs_getdata", "data.strings", "unload.twice"}
    for round in (1, 2):
        assert set(run.library("fixture_good", round)) == chosen
        assert verdicts(run.library("fixture_null_string", round), "fail") == {"data.strings"}
    assert "fixture_null_string.dll (round 2 of 2)" in run.stdout
    assert "6 of 6 library rounds checked (2 rounds), 3 failed" in run.stdout
    suites = ElementTree.parse(run.junit_path).getroot().findall("testsuite")
    assert [s.get("name") for s in suites][3] == "fixture_good.dll (round 2 of 2)"


def test_list_shows_every_check_with_its_rule(prefix, tmp_path):
    returncode, stdout, _ = run_tavro_check(prefix, "x64", tmp_path, ["--list"], 60)
    assert returncode == 0
    lines = stdout.splitlines()
    assert len(lines) == 23
    assert lines[0].split()[:2] == ["exports.required", "[exports]"]
    assert any(line.split()[:2] == ["acquisition.soak", "[bounded]"] for line in lines)
    assert any(line.split()[:2] == ["data.count_vs_getdata", "[records]"] for line in lines)
    assert any(line.split()[:2] == ["acquisition.poll_time", "(open)"] for line in lines)
