"""Runs every row of the catalogue of misbehaving libraries once under Wine
and writes the table of docs/robustness.md from what the program did.

    /usr/bin/python3 tests/e2e/robustness_report.py [--x64-only] [OUTPUT.md]

With --x64-only, and where i386 programs run emulated, the i386 rows are not
run; their lines are kept from the page.

Each row installs the library under test as a_case.dll and a well-behaved
library after it as z_next.dll in a fresh private Wine prefix, runs the real
TavroProbe.exe (x86-64, and the i386 build for the rows marked so) with the
answers given, and reads the exit code, the console and the log.
"""
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

from conftest import REPO, Probe, WinePrefix, build_dir, i386_emulated  # noqa: E402
from robustness import NEXT, console_from_log, run_on_terminal, run_until_warnings  # noqa: E402

# The report of a library that ended the process testing it.
END_REPORTS = ("ERROR: unhandled exception", "ERROR: Tavro device library ", "ERROR: the search process")

ROWS = [
    # (catalogue row, label, fixture or special, stdin, arch)
    ("1", "File named *.dll that is not a PE file", "not_a_library", b"n\n", "x64"),
    ("1", "Empty file named *.dll", "empty", b"n\n", "x64"),
    ("1", "DLL of the other architecture (i386 DLL, x86-64 program)", "other_arch", b"n\n", "x64"),
    ("1", "DLL of the other architecture (x86-64 DLL, i386 program)", "other_arch", b"n\n", "x86"),
    ("2", "DllMain refuses to load", "fixture_refuse_attach", b"n\n", "x64"),
    *[("3", f"Required export missing: Tavro_{name}", f"fixture_no_{name}", b"n\n", "x64")
      for name in ["GetDeviceName", "GetNumberOfComponents", "GetComponentName", "GetComponentUnits",
                   "GetComponentDataType", "GetComponentDataPrecision", "PrepareExperiment",
                   "StartExperiment", "GetLastData", "GetAvailableDataCount", "GetData",
                   "StopExperiment", "SetCallbackInfo"]],
    ("3", "Version export missing", "fixture_no_version", b"n\nn\n", "x64"),
    ("4", "Empty device name", "fixture_empty_name", b"n\n", "x64"),
    ("4", "Device name of exactly 255 characters", "fixture_name_255", b"n\nn\n", "x64"),
    ("4", "Device name of 256 characters, no NUL", "fixture_name_256_no_nul", b"n\nn\n", "x64"),
    ("5", "Empty component name at index 2", "fixture_empty_component_name_2", b"n\n", "x64"),
    ("5", "Data type 0", "fixture_type_0", b"n\n", "x64"),
    ("5", "Data type 8", "fixture_type_8", b"n\n", "x64"),
    ("5", "Data type -1", "fixture_type_minus1", b"n\n", "x64"),
    ("5", "Precision -1", "fixture_precision_minus1", b"n\n", "x64"),
    ("5", "Component count 0", "fixture_count_0", b"y\n1\nn\n", "x64"),
    ("5", "Component count -1", "fixture_count_minus1", b"y\n1\nn\n", "x64"),
    ("5", "Component count 10,000 (described, then acquired 1 s)", "fixture_count_10000", b"y\n1\nn\n", "x64"),
    ("6", "Never becomes ready (1 s)", "fixture_never_ready", b"y\n1\nn\n", "x64"),
    ("6", "Reports 1 then 0 before the host looks (1 s)", "fixture_flap", b"y\n1\nn\n", "x64"),
    ("6", "A million state reports from its own thread (2 s)", "fixture_storm", b"y\n2\nn\n", "x64"),
    ("7", "Tavro_GetLastData returns null", "fixture_null_record", b"y\n1\nn\n", "x64"),
    ("7", "Record with a null values pointer", "fixture_null_values", b"y\n1\nn\n", "x64"),
    ("7", "String slot holding null", "fixture_null_string", b"y\n1\nn\n", "x64"),
    ("7", "acquisitionTime of 2^63", "fixture_huge_time", b"y\n1\nn\n", "x64"),
    ("8", "C++ exception thrown out of Tavro_GetLastData (x86-64)", "fixture_throw", b"y\n1\nn\n", "x64"),
    ("8", "C++ exception thrown out of Tavro_GetLastData (i386)", "fixture_throw", b"y\n1\nn\n", "x86"),
    ("8", "Access violation inside Tavro_GetLastData", "fixture_fault", b"y\n1\nn\n", "x64"),
    ("8", "Access violation inside Tavro_GetLastData (i386)", "fixture_fault", b"y\n1\nn\n", "x86"),
    ("9", "'%' and ANSI characters in names, units, String values and paths",
     "fixture_percent_ansi", b"y\n1\nn\n", "x64"),
    ("10", "Standard input ends after the first answer", "fixture_ready_immediate", b"y", "x64"),
    ("10", "Answers ending in CR LF", "fixture_ready_immediate", b"y\r\n1\r\nN\r\n", "x64"),
    ("11", "Replaces the crash filter with NULL when loaded, then faults in Tavro_GetLastData",
     "fixture_filter_null_fault", b"y\n1\nn\n", "x64"),
    ("11", "Replaces the crash filter with its own when loaded, then faults in Tavro_GetLastData",
     "fixture_filter_own_fault", b"y\n1\nn\n", "x64"),
    ("11", "Its own thread replaces the crash filter and faults 300 ms after the load, while the next "
     "library acquires", "fixture_thread_fault", b"n\ny\n2\n", "x64"),
    ("11", "Endless recursion in Tavro_GetComponentName", "fixture_recurse", b"n\n", "x64"),
    ("11", "ExitProcess(3) in Tavro_PrepareExperiment", "fixture_exit", b"y\n1\nn\n", "x64"),
    ("11", "ExitProcess(3) in Tavro_PrepareExperiment (i386)", "fixture_exit", b"y\n1\nn\n", "x86"),
    ("11", "exit(4) in Tavro_PrepareExperiment", "fixture_crt_exit", b"y\n1\nn\n", "x64"),
    ("11", "TerminateProcess(6) in Tavro_PrepareExperiment", "fixture_terminate", b"y\n1\nn\n", "x64"),
    ("11", "Fail-fast (__fastfail) in Tavro_PrepareExperiment", "fixture_fastfail", b"y\n1\nn\n", "x64"),
    ("11", "Its own thread calls ExitProcess(5) 300 ms after the load, while the next library acquires",
     "fixture_thread_exit", b"n\ny\n2\n", "x64"),
    ("11", "Its own thread faults inside the C runtime (memset on NULL) 300 ms after the load, while the "
     "next library acquires", "fixture_thread_crt_fault", b"n\ny\n2\n", "x64"),
    ("11", "Its own thread throws a C++ exception nothing catches 300 ms after the load, while the next "
     "library acquires", "fixture_thread_throw", b"n\ny\n2\n", "x64"),
    ("11", "DllMain never returns (first warning moved to 1 s for the table; 30 s in a normal run)",
     "hang:fixture_hang_attach", b"y\n1\n", "x64"),
    ("11", "Tavro_GetLastData never returns (first warning moved to 1 s for the table; 30 s in a normal run)",
     "hang:fixture_hang_last_data", b"y\n1\n", "x64"),
    ("11", "Raises and catches its own SEH exception in every call", "fixture_catch_seh", b"y\n1\nn\n", "x64"),
    ("11", "Throws and catches its own C++ exception in every call", "fixture_catch_cxx", b"y\n1\nn\n", "x64"),
    ("12", "Imports vendorcore.dll, which lies beside it", "dependency:fixture_import", b"n\nn\n", "x64"),
    ("12", "Imports vendorcore.dll, which is nowhere", "fixture_import", b"n\n", "x64"),
    ("13", "Writes over the memory it shares with the program, then ExitProcess(7) (in Tavro_GetDeviceName)",
     "fixture_scribble", b"n\n", "x64"),
    ("13", "Copies itself beside itself as b_planted.dll, then ExitProcess(8) (in Tavro_GetDeviceName)",
     "fixture_plant", b"n\n", "x64"),
    ("13", "A wait of the thread pool calls ExitProcess(5) as the program unloads the library",
     "fixture_exit_after_unload", b"n\nn\n", "x64"),
    ("13", "A thread of its own ends holding the C runtime's heap and stdout locks, then Tavro_GetLastData never "
     "returns (first warning moved to 1 s)", "hang:fixture_lock_hang", b"y\n1\n", "x64"),
    ("14", "A thread the C runtime started for it calls ExitProcess(5) 300 ms after the load, while the next "
     "library acquires", "fixture_crt_thread_exit", b"n\ny\n2\n", "x64"),
    ("14", "A thread of the thread pool calls its code, which calls ExitProcess(5) 300 ms after the load, while "
     "the next library acquires", "fixture_pool_thread_exit", b"n\ny\n2\n", "x64"),
    ("14", "At 0x10000000 after another library there ended its process; its own thread calls ExitProcess(5) "
     "during its test", "base:fixture_thread_exit_at_base", b"y\n1\ny\n2\nn\n", "x64"),
    ("14", "A thread of its own with a 1 MiB stack overflows it (in Tavro_PrepareExperiment)",
     "fixture_thread_overflow", b"y\n1\nn\n", "x64"),
    ("15", "Tavro_GetLastData never returns; the operator presses Ctrl+C after the second warning (on a terminal)",
     "terminal:fixture_hang_last_data", b"", "x64"),
    ("15", "Turns Ctrl+C off, then Tavro_PrepareExperiment never returns; Ctrl+C after the second warning",
     "terminal:fixture_ignore_ctrl_c_hang", b"", "x64"),
    ("15", "Turns off the console's line input, then ExitProcess(9); the next library's question is answered",
     "terminal:fixture_raw_input_exit", b"", "x64"),
    ("15", "The operator presses Ctrl+C at the first question", "terminal:fixture_good", b"", "x64"),
]

BEGIN = "<!-- table: written by tests/e2e/robustness_report.py -->"
END = "<!-- end of table -->"


def printed(run, case_path):
    """The line that tells what happened to the case library: the report of
    an end of the process, wherever it came, or else its own section's."""
    text = run.stdout.replace("\r\r\n", "\r\n")
    reports = [line for line in text.split("\r\n") if line.startswith(END_REPORTS)]
    if reports:
        return "; ".join(reports).replace("|", "\\|")
    start = text.find(f"Loading {case_path}")
    section = text[start:text.find("\r\nLoading ", start)]
    lines = [line for line in section.split("\r\n")[1:] if line.strip()]
    for i, line in enumerate(lines):
        if line.lstrip().startswith(("Error:", "ERROR:", "fixture_throw")):
            more = [extra.strip() for extra in lines[i + 1:]
                    if extra.startswith("  missing:") or extra.endswith("TavroProbe tests it")]
            return "; ".join([line.strip()] + more)
    times = [i for i, line in enumerate(lines) if line.startswith("  Acquisition Time")]
    name = next((line.strip() for line in lines if "Tavro device name" in line), "")
    count = next((line.strip() for line in lines if "Component count" in line), "")
    detail = f"{name[:60] + ('...' if len(name) > 60 else '')}; {count}"
    if times:
        first = lines[times[0]].strip()
        block = lines[times[0] + 1:times[1] if len(times) > 1 else len(lines)]
        detail += f"; {len(times)} data blocks, first: \"{first}\""
        if block and len(block[-1]) < 80 and not block[-1].startswith("End of"):
            detail += f", its last line \"{block[-1].strip()}\""
    elif "Y/N?" in section:
        detail += "; no data block"
    return detail.replace("|", "\\|")


def hang_row(probe, fixture, stdin):
    """Columns of a row whose library never returns: the run is ended after
    the third warning."""
    probe.install(probe.program_files, probe.fixture(fixture), "a_case.dll")
    probe.install(probe.program_files, probe.fixture("fixture_good"), NEXT)
    console, log = run_until_warnings(probe, 3, {"TAVRO_TEST_HANG_SECONDS": "1"}, stdin=stdin)
    warnings = [line for line in console.split("\r\n") if line.startswith("WARNING")]
    what = "; ".join(warnings[:1] + [w[w.rindex(" for ") + 1:] for w in warnings[1:]])
    log_ok = console_from_log(log) == console
    return what, "none (ended by the table's script after the third warning)", log_ok, \
        "no (the call never returns)"


def terminal_row(probe, fixture):
    """Columns of a row run on a terminal, where the operator types: answers
    y and 1, Ctrl+C after the second warning, n to the next library and a
    key at the pause; or, for the well-behaved library, Ctrl+C at once."""
    probe.install(probe.program_files, probe.fixture(fixture), "a_case.dll")
    probe.install(probe.program_files, probe.fixture("fixture_good"), NEXT)
    if fixture == "fixture_good":
        script = [("Y/N?", b"\x03")]
    elif fixture == "fixture_raw_input_exit":
        script = [("Y/N?", b"n\r"), ("A log file was created at", b"\r")]
    else:
        script = [("Y/N?", b"y\r"), ("(10):", b"1\r"), ("for 2 s", b"\x03"), ("Y/N?", b"n\r"),
                  ("A log file was created at", b"\r")]
    code, screen, log = run_on_terminal(probe, script, env={"TAVRO_TEST_HANG_SECONDS": "1"})
    lines = [line for line in (log or "").split("\r\n") if line.startswith(("ERROR", "WARNING"))]
    what = "; ".join(lines).replace("|", "\\|")
    next_tested = f"Loading {probe.program_files_win()}{NEXT}\r\n\r\n  Tavro device name" in (log or "")
    shown = all(line in screen for line in lines)
    return what, code, "yes" if shown else "NO", "yes" if next_tested else "no (the run was ended)"


def run_row(prefix, tmp, index, row):
    number, label, source, stdin, arch = row
    probe = Probe(prefix, tmp / f"row{index}", arch)
    arch_label = "i386" if arch == "x86" else "x86-64"
    if source.startswith("hang:"):
        what, code, log_ok, next_tested = hang_row(probe, source[5:], stdin)
        return (f"| {number} | {label} | {arch_label} | {what} | {code} | {'yes' if log_ok else 'NO'} | "
                f"{next_tested} |")
    if source.startswith("terminal:"):
        what, code, shown, next_tested = terminal_row(probe, source[len("terminal:"):])
        return f"| {number} | {label} | {arch_label} | {what} | {code} | {shown} | {next_tested} |"
    if source.startswith("dependency:"):
        source = source[len("dependency:"):]
        probe.install(probe.program_files, probe.fixture("vendorcore"))
    if source.startswith("base:"):
        source = source[len("base:"):]
        probe.install(probe.program_files, probe.fixture("fixture_exit_at_base"), "a_base.dll")
    if source == "empty":
        library = tmp / f"row{index}-empty.dll"
        library.write_bytes(b"")
    elif source == "other_arch":
        library = build_dir("x64" if arch == "x86" else "x86") / "fixtures" / "fixture_good.dll"
    else:
        library = probe.fixture(source)
    probe.install(probe.program_files, library, "a_case.dll")
    probe.install(probe.program_files, probe.fixture("fixture_good"), NEXT)
    run = probe.run(stdin=stdin)
    case_path = probe.program_files_win() + "a_case.dll"
    log_ok = run.log is not None and console_from_log(run.log) == run.console_body()
    what = printed(run, case_path)
    next_tested = f"Loading {probe.program_files_win()}{NEXT}" in run.stdout and \
        "Tavro device name: Tavro Fixture Device" in run.stdout.split(f"Loading {probe.program_files_win()}{NEXT}")[-1]
    return (f"| {number} | {label} | {arch_label} | {what} | {run.returncode} | "
            f"{'yes' if log_ok else 'NO'} | {'yes' if next_tested else 'NO'} |")


def kept_row(page, row):
    """The page's line for an i386 row, for a run of the x86-64 rows only."""
    number, label, _, _, _ = row
    for line in page.splitlines():
        if line.startswith(f"| {number} | {label} | i386 |"):
            return line
    return f"| {number} | {label} | i386 | (not run) | | | |"


def main():
    arguments = [argument for argument in sys.argv[1:] if argument != "--x64-only"]
    # Under i386 emulation the i386 rows would show qemu's faults, not the program's.
    x64_only = "--x64-only" in sys.argv[1:] or i386_emulated()
    output = Path(arguments[0]) if arguments else REPO / "docs" / "robustness.md"
    page = output.read_text(encoding="utf-8") if output.exists() else f"{BEGIN}\n{END}\n"
    with tempfile.TemporaryDirectory(prefix="tavro-robustness-") as folder:
        tmp = Path(folder)
        prefix = WinePrefix(tmp / "prefix")
        prefix.create()
        try:
            lines = ["| Row | Misbehaviour | Build | What the program printed | Exit code | "
                     "Log held everything | Next library tested |",
                     "|---|---|---|---|---|---|---|"]
            for index, row in enumerate(ROWS):
                if x64_only and row[4] == "x86":
                    lines.append(kept_row(page, row))
                else:
                    lines.append(run_row(prefix, tmp, index, row))
                print(lines[-1], flush=True)
        finally:
            prefix.close()
    # The table replaces what stands between the two markers of the page.
    head, rest = page.split(BEGIN, 1)
    tail = rest.split(END, 1)[1]
    output.write_text(head + BEGIN + "\n" + "\n".join(lines) + "\n" + END + tail, encoding="utf-8")


if __name__ == "__main__":
    main()
