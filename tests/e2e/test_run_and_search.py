"""The run sequence, the folder search and the console/log output, end to end.

The files searched for here are empty: each one that is handed on fails to
load, and that error block (checked in the library tests) is taken out before
the search output is compared.
"""
import re

from conftest import crlf, win_path

PF = "C:\\Program Files\\Morvane\\Tavro\\"
PD = "C:\\ProgramData\\Morvane\\Tavro\\"


def searching(folder):
    return f"Searching {folder} . . .\n\n"


MISSING = "Directory does not exist\n\n"
NO_DLLS = "No dll files found\n\n"


LOAD_ERROR = re.compile(r"Error: failed to load Tavro library\. [^\r\n]+\r\r\n\r\n")


def without_load_errors(text, expected_count=None):
    stripped, count = LOAD_ERROR.subn("", text)
    if expected_count is not None:
        assert count == expected_count
    return stripped


def assert_complete_run(run, body, returncode=0):
    """Exit code, console (body + closing message + PAUSE) and log (= body)."""
    assert run.returncode == returncode
    loadings = body.count("Loading ")
    assert without_load_errors(run.console_body(), loadings) == crlf(body)
    assert without_load_errors(run.log, loadings) == crlf(body)


def test_neither_folder_exists(probe):
    run = probe.run()
    assert_complete_run(run, searching(PF) + MISSING + "\n" + searching(PD) + MISSING)
    assert "Press any key to continue" in run.stdout


def test_empty_folder_and_a_file_in_place_of_a_folder(probe):
    probe.program_files.mkdir(parents=True)
    probe.program_data.parent.mkdir(parents=True)
    probe.program_data.write_text("not a folder")
    run = probe.run()
    assert_complete_run(run, searching(PF) + NO_DLLS + "\n" + searching(PD) + MISSING)


def test_only_dll_names_are_loaded_and_the_first_entry_decides_the_line_feed(probe):
    for name in ["a", "a.", "a.dllx", "a.dll.bak", "b.dll", "B2.DLL", ".dll", "c.Dll"]:
        (probe.program_files.mkdir(parents=True, exist_ok=True), None)
        (probe.program_files / name).write_bytes(b"")
    (probe.program_files / "sub.dll").mkdir()
    (probe.program_data).mkdir(parents=True)
    (probe.program_data / "z.DLL").write_bytes(b"")

    run = probe.run()

    # Delivered in case-insensitive name order: .dll first, then a.dllx
    # (through its short name), which is skipped without a line.
    loading = "".join(f"\nLoading {PF}{name}\n\n" for name in ["b.dll", "B2.DLL", "c.Dll", "sub.dll"])
    body = (searching(PF) + f"Loading {PF}.dll\n\n" + loading + "\n" +
            searching(PD) + f"Loading {PD}z.DLL\n\n")
    assert_complete_run(run, body)


def test_a_refused_first_entry_still_makes_the_next_line_start_with_a_line_feed(probe):
    probe.program_files.mkdir(parents=True)
    (probe.program_files / "a.dllx").write_bytes(b"")
    (probe.program_files / "b.dll").write_bytes(b"")
    run = probe.run()
    assert run.console_body().startswith(crlf(searching(PF) + f"\nLoading {PF}b.dll\n\nError: "))


def test_log_is_truncated_on_every_run(probe):
    first = probe.run()
    (probe.exe_dir / "TavroProbe.log").write_bytes(b"stale text of an earlier run\r\n" * 100)
    second = probe.run()
    assert second.log == first.log
    assert "stale" not in second.log


def test_log_that_cannot_be_created_ends_the_run_without_pause(probe, tmp_path):
    # A folder in the log's place: opening it for writing is denied, as in a
    # folder the user may not write to (Wine enforces no access lists, and
    # root writes to read-only Linux folders).
    exe_dir = tmp_path / "100% done"
    (exe_dir / "TavroProbe.log").mkdir(parents=True)
    run = probe.run(exe_dir=exe_dir)
    assert run.returncode == 1
    # Under the error, the system's reason (Wine's text; Windows says
    # "Access is denied."), its line ending once.
    assert run.stdout == crlf(f"ERROR: failed to create log file {win_path(exe_dir)}\\TavroProbe.log\n"
                              "  Access denied.\n")


def test_percent_signs_in_paths_are_printed_literally(probe, tmp_path):
    probe.program_files.mkdir(parents=True)
    (probe.program_files / "100% %s %d.dll").write_bytes(b"")
    exe_dir = tmp_path / "50% %n off"
    run = probe.run(exe_dir=exe_dir)
    assert run.log_path == win_path(exe_dir / "TavroProbe.log")
    assert_complete_run(run, searching(PF) + f"Loading {PF}100% %s %d.dll\n\n" + "\n" +
                        searching(PD) + MISSING)


def test_long_library_paths_are_printed_whole(probe):
    name = "L" * 240 + ".dll"  # a library path of 274 characters
    probe.program_files.mkdir(parents=True)
    (probe.program_files / name).write_bytes(b"")
    run = probe.run()
    assert_complete_run(run, searching(PF) + f"Loading {PF}{name}\n\n" + "\n" + searching(PD) + MISSING)


def test_a_search_folder_too_long_for_a_254_character_line_is_printed_whole(probe):
    # Point the prefix's Program Files at a long folder for this one run.
    long_folder = "C:\\" + "\\".join(["p" * 59] * 4)
    key = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion"

    def set_program_files(value):
        result = probe.prefix.run("x64", "reg", ["add", key, "/v", "ProgramFilesDir", "/d", value, "/f"])
        assert result.returncode == 0

    # The system hands out only a folder that exists.
    probe.prefix.drive_c().joinpath(*long_folder.split("\\")[1:]).mkdir(parents=True)
    set_program_files(long_folder)
    try:
        run = probe.run()
    finally:
        set_program_files("C:\\Program Files")
    folder = long_folder + "\\Morvane\\Tavro\\"
    assert len(searching(folder)) > 254
    assert_complete_run(run, searching(folder) + MISSING + "\n" + searching(PD) + MISSING)


def test_log_is_created_beside_a_program_whose_path_exceeds_260_characters(probe, tmp_path):
    exe_dir = tmp_path.joinpath(*(["d" * 50] * 6))
    run = probe.run(exe_dir=exe_dir)
    assert len(run.log_path) > 260
    assert_complete_run(run, searching(PF) + MISSING + "\n" + searching(PD) + MISSING)


def test_no_obtainable_search_folder_is_an_unsupported_system(probe):
    drive_c = probe.prefix.drive_c()
    moved = [drive_c / "Program Files", drive_c / "ProgramData"]
    for folder in moved:
        folder.rename(folder.with_name(folder.name + ".away"))
    try:
        run = probe.run()
    finally:
        for folder in moved:
            folder.with_name(folder.name + ".away").rename(folder)
    assert_complete_run(run, "ERROR: unsupported operating system.\n", returncode=1)
