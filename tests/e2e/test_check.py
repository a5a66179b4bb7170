"""TavroCheck end to end: the checker's verdicts on the sample device library
and on every fixture, read from its JSON and JUnit files.

The table below is the checker's test suite: each library and the set of
checks it must fail; every other check must pass, warn (where WARNINGS says
so) or be skipped because a check it needs failed. All table libraries are
checked by ONE TavroCheck run per architecture; the libraries that end or
stall their checking process (CONTAINED) by one more x86-64 run."""
import json
import re
import time
import xml.etree.ElementTree as ElementTree

import pytest

from conftest import build_dir, win_path

REQUIRED = ["GetDeviceName", "GetNumberOfComponents", "GetComponentName", "GetComponentUnits",
            "GetComponentDataType", "GetComponentDataPrecision", "PrepareExperiment",
            "StartExperiment", "GetLastData", "GetAvailableDataCount", "GetData", "StopExperiment",
            "SetCallbackInfo"]
NOT_LOADED = {"exports.required", "load.library"}
NO_RECORD = {"data.last_data", "data.count_vs_getdata"}

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
    "fixture_null_record": NO_RECORD,
    "fixture_null_values": NO_RECORD,
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
    "fixture_time_backwards": {"data.times_monotonic"},
    "fixture_decorated_export": {"exports.required"},
    "fixture_unknown_export": set(),
    "fixture_catch_seh": set(),
    "fixture_catch_cxx": set(),
    "fixture_import": set(),
}
# library -> the checks that end in a warning (none elsewhere)
WARNINGS = {
    "fixture_no_version": {"exports.version"},
    "fixture_flap": {"readiness.callback"},
    "fixture_unknown_export": {"exports.unknown"},
}
# On i386 the sample and a few that read the 32-bit layouts: exports, record
# and times; checked --in-process, in one process, since each i386 process
# costs about a minute where i386 runs emulated.
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
    "fixture_hang_last_data": ({"data.last_data"}, "Tavro_GetLastData did not return within 2.0 s; its "
                               "process was ended"),
    "fixture_good": (set(), None),
}


def run_tavro_check(prefix, arch, folder, args, timeout):
    """Runs TavroCheck.exe; returns its exit code, standard output and error."""
    result = prefix.run(arch, build_dir(arch) / "check" / "TavroCheck.exe", args, cwd=folder,
                        timeout=timeout)
    return result.returncode, result.stdout.decode("latin-1"), result.stderr.decode("latin-1")


def library_path(arch, name):
    if name == "sample":
        return build_dir(arch) / "sdk" / "TavroSampleDevice.dll"
    return build_dir(arch) / "fixtures" / f"{name}.dll"


class CheckRun:
    """One TavroCheck process: its exit code, console, JSON and JUnit files."""

    def __init__(self, prefix, arch, folder, names, args=("--time", "2"), timeout=900):
        folder.mkdir(parents=True, exist_ok=True)
        self.json_path = folder / "report.json"
        self.junit_path = folder / "report.xml"
        self.paths = [library_path(arch, name) for name in names]
        args = [*args, "--json", win_path(self.json_path), "--junit", win_path(self.junit_path),
                *[win_path(path) for path in self.paths]]
        self.returncode, self.stdout, _ = run_tavro_check(prefix, arch, folder, args, timeout)
        self.names = names
        self.report = json.loads(self.json_path.read_text(encoding="utf-8"))

    def library(self, name):
        """The JSON results of one library, as {check id: (verdict, message)}."""
        wanted = win_path(self.paths[self.names.index(name)])
        for library in self.report["libraries"]:
            if library["library"] == wanted:
                return {c["id"]: (c["verdict"], c["message"]) for c in library["checks"]}
        raise AssertionError(f"{name} is not in the report")


def verdicts(checks, verdict):
    return {check for check, (seen, _) in checks.items() if seen == verdict}


def assert_row(run, name, failed=None):
    checks = run.library(name)
    assert verdicts(checks, "fail") == (TABLE[name] if failed is None else failed), checks
    assert verdicts(checks, "warning") == WARNINGS.get(name, set()), checks
    for check, (verdict, message) in checks.items():
        if verdict == "skipped" and message != "skipped: the export table could not be read":
            # It names a check of the same library that failed, or was
            # skipped in turn.
            match = re.fullmatch(r"skipped: (\S+) did not pass", message)
            assert match and checks.get(match.group(1), ("",))[0] in ("fail", "skipped"), (check, message)


@pytest.fixture(scope="module")
def x64_table(prefix, tmp_path_factory):
    return CheckRun(prefix, "x64", tmp_path_factory.mktemp("check-x64"), list(TABLE))


@pytest.mark.parametrize("name", list(TABLE))
def test_x64_table_row(x64_table, name):
    assert_row(x64_table, name)


def test_x64_table_run_reports_every_library_and_exits_1(x64_table):
    assert x64_table.returncode == 1
    assert len(x64_table.report["libraries"]) == len(TABLE)
    assert x64_table.report["architecture"] == "x86-64"
    assert not x64_table.report["passed"]
    # The checks whose messages say what was seen.
    good = x64_table.library("fixture_good")
    assert "from the library's thread 0x" in good["readiness.callback"][1]
    assert "Tavro_GetData returns a record (the newest again)" in good["data.count_vs_getdata"][1]
    assert "from the checker's thread from a dispatched message" in \
        x64_table.library("fixture_ready_message")["readiness.callback"][1]
    assert x64_table.library("fixture_throw")["data.last_data"][1] == \
        "Tavro_GetLastData threw a C++ exception: fixture_throw: Tavro_GetLastData throws, as configured"


def test_x64_junit_has_one_suite_per_library_and_a_case_per_check(x64_table):
    root = ElementTree.parse(x64_table.junit_path).getroot()
    suites = root.findall("testsuite")
    assert [s.get("name") for s in suites] == [p.name for p in x64_table.paths]
    failures = 0
    for suite, library in zip(suites, x64_table.report["libraries"]):
        cases = suite.findall("testcase")
        assert [c.get("name") for c in cases] == [c["id"] for c in library["checks"]]
        for case, check in zip(cases, library["checks"]):
            assert (case.find("failure") is not None) == (check["verdict"] == "fail")
            assert (case.find("skipped") is not None) == (check["verdict"] == "skipped")
        failures += int(suite.get("failures"))
    assert int(root.get("failures")) == failures > 0
    # ANSI characters of a library's texts arrive as UTF-8.
    percent = suites[[p.name for p in x64_table.paths].index("fixture_percent_ansi.dll")]
    assert "100% Ger\u00e4t %s %d" in "".join(percent.itertext())


def test_the_sample_and_libraries_with_warnings_only_pass_with_exit_0(prefix, tmp_path):
    run = CheckRun(prefix, "x64", tmp_path, ["sample", *WARNINGS], args=())
    assert run.returncode == 0, run.stdout
    assert run.report["passed"]
    assert "PASSED: 20 passed, 0 warnings, 0 failed, 0 skipped" in run.stdout
    for name in WARNINGS:
        assert_row(run, name, failed=set())
    root = ElementTree.parse(run.junit_path).getroot()
    assert int(root.get("failures")) == 0 and not list(root.iter("failure"))


def test_nothing_a_library_does_stops_the_run(prefix, tmp_path):
    started = time.monotonic()
    run = CheckRun(prefix, "x64", tmp_path, list(CONTAINED), args=("--time", "1"), timeout=300)
    seconds = time.monotonic() - started
    assert run.returncode == 1, run.stdout
    suites = ElementTree.parse(run.junit_path).getroot().findall("testsuite")
    assert [s.get("name") for s in suites] == [p.name for p in run.paths]
    for name, (failed, message) in CONTAINED.items():
        assert_row(run, name, failed)
        checks = run.library(name)
        first = next((check for check in checks if check in failed), None)
        assert (checks[first][1] if first else None) == message, name
    # Each stalled check is ended at its bound (here 2 s); about 25 s in all.
    assert seconds < 90, seconds


def test_bad_usage_exits_2_with_the_usage_text(prefix, tmp_path):
    for args in [[], ["--time"], ["--time", "soon", "a.dll"], ["--colour", "a.dll"]]:
        returncode, _, stderr = run_tavro_check(prefix, "x64", tmp_path, args, 60)
        assert returncode == 2, args
        assert "Usage: TavroCheck [--time SECONDS] [--junit FILE] [--json FILE] [--in-process] " \
            "LIBRARY.dll..." in stderr, args


def test_i386_sample_and_a_few_fixtures(prefix, tmp_path):
    run = CheckRun(prefix, "x86", tmp_path, I386_TABLE, args=("--time", "10", "--in-process"), timeout=900)
    assert run.report["architecture"] == "i386"
    for name in I386_TABLE:
        assert_row(run, name)
    assert run.returncode == 1
