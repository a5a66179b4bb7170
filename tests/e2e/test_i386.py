"""The i386 build, end to end: few runs that each check much, since a 32-bit
process start takes about a minute where the kernel needs emulation for it."""
import pytest

from conftest import build_dir, crlf, needs_i386_faults
from robustness import assert_log_holds_everything
from test_acquisition import blocks, check_sample_blocks
from test_device_libraries import SAMPLE_DESCRIPTION, indent

PF32 = "C:\\Program Files (x86)\\Morvane\\Tavro\\"
PD = "C:\\ProgramData\\Morvane\\Tavro\\"


def sections_by_name(body):
    sections = body.split("\r\nLoading ")
    return {section.split(".dll", 1)[0].rsplit("\\", 1)[-1]: section for section in sections[1:]}


@pytest.mark.long_i386
def test_i386_searches_its_folders_describes_acquires_and_meets_misbehaving_libraries(probe32):
    folder = probe32.program_files
    probe32.install(folder, probe32.fixture("not_a_library"), "a_bad.dll")
    probe32.install(folder, build_dir("x64") / "fixtures" / "fixture_good.dll", "b_other_arch.dll")
    probe32.install(folder, probe32.fixture("fixture_refuse_attach"), "c_refuse.dll")
    probe32.install(folder, probe32.sample(), "d_sample.dll")
    probe32.install(folder, probe32.fixture("fixture_no_GetData"), "e_no_get_data.dll")
    # Each end of the process costs a process start, a minute where i386 is
    # emulated: three ends, the last of them the last library, so that four
    # processes test them all.
    for name, fixture in [("f_null_string", "fixture_null_string"), ("g_upper_bytes", "fixture_upper_bytes"),
                          ("h_huge_time", "fixture_huge_time"), ("i_percent", "fixture_percent_ansi"),
                          ("j_storm", "fixture_storm"), ("k_import", "fixture_import"),
                          ("l_throw", "fixture_throw"), ("m_terminate", "fixture_terminate"),
                          ("y_next", "fixture_good"), ("z_crt_exit", "fixture_crt_exit")]:
        probe32.install(folder, probe32.fixture(fixture), f"{name}.dll")
    # The dependency of k_import, installed beside it as vendors do.
    probe32.install(folder, probe32.fixture("vendorcore"))
    run = probe32.run(stdin=b"y\n1\n" * 5 + b"y\n2\n" + b"n\n" + b"y\n1\n" * 2 + b"n\n" + b"y\n1\n")
    assert run.returncode == 0
    body = run.console_body()
    # The 32-bit program searches the 32-bit Program Files, then ProgramData.
    assert body.startswith(crlf(f"Searching {PF32} . . .\n\nLoading {PF32}a_bad.dll\n\n"
                                f"Error: failed to load Tavro library. {PF32}a_bad.dll "))
    by_name = sections_by_name(body)
    for name in ("b_other_arch", "c_refuse"):
        assert by_name[name].startswith(f"{PF32}{name}.dll\r\n\r\nError: failed to load Tavro library. ")
    # The load error of the other architecture's library says which program tests it.
    assert crlf(f"\n  {PF32}b_other_arch.dll is a 64-bit (x86-64) Tavro device library: "
                "the x86-64 TavroProbe tests it\n\n") in by_name["b_other_arch"]
    assert "TavroProbe tests it" not in by_name["c_refuse"]

    assert crlf(f"\nLoading {PF32}d_sample.dll\n\n" + indent(SAMPLE_DESCRIPTION)) in body
    # String values are read through the slot's first 4 bytes here.
    sample = blocks(by_name["d_sample"])
    assert 5 <= len(sample) <= 12
    check_sample_blocks(sample)
    assert crlf(f"Error: procedure Tavro_GetData is not implemented in Tavro device library "
                f"{PF32}e_no_get_data.dll\n") in body

    assert all(lines[2] == "  State (null) text" for _, lines in blocks(by_name["f_null_string"]))
    # On i386 a String slot is 4 bytes: the garbage above it is not read.
    upper = blocks(by_name["g_upper_bytes"])
    assert upper and all(lines[3].startswith("  Component 3 c3 n") for _, lines in upper)
    assert all(time == "  Acquisition Time: 00/00/0000 00:00:00" for time, _ in blocks(by_name["h_huge_time"]))
    assert all(lines[1] == "  Note %s 50% \u00fcber %d \u00b5s" for _, lines in blocks(by_name["i_percent"]))
    assert 10 <= len(blocks(by_name["j_storm"])) <= 22
    assert by_name["k_import"].startswith(crlf(f"{PF32}k_import.dll\n\n  Tavro device name: Tavro Fixture Device\n"))
    assert "Error: procedure Tavro_" in by_name["vendorcore"]
    assert crlf('Run acquisition test on device "Tavro Fixture Device" Y/N?\n\nEnd of testing device') \
        in by_name["y_next"]
    # Ends that need no hardware fault delivered, so they run under emulation
    # too. Each is named once, and the search goes on: with the next library
    # in a new process, or, after the last one, with the next folder. The
    # i386 runtime cannot carry the library's exception past the library's
    # edge: it ends in abort(), reported like a fault; exit() ends in
    # ExitProcess.
    assert by_name["l_throw"].endswith(crlf(
        f"ERROR: unhandled exception 0x40000015 while testing Tavro device library {PF32}l_throw.dll\n"))
    assert by_name["m_terminate"].endswith(crlf(
        f"ERROR: Tavro device library {PF32}m_terminate.dll ended the process with exit code 6\n"))
    assert by_name["z_crt_exit"].endswith(crlf(
        f"ERROR: Tavro device library {PF32}z_crt_exit.dll ended the process with exit code 4\n"
        f"\nSearching {PD} . . .\n\nDirectory does not exist\n\n"))
    assert_log_holds_everything(run)


@needs_i386_faults
def test_i386_faults_are_named_and_the_search_goes_on(probe32):
    folder = probe32.program_files
    for name, fixture in [("a_fault", "fixture_fault"), ("b_fastfail", "fixture_fastfail"),
                          ("z_next", "fixture_good")]:
        probe32.install(folder, probe32.fixture(fixture), f"{name}.dll")
    run = probe32.run(stdin=b"y\n1\n" * 2 + b"n\n")
    assert run.returncode == 0
    reports = [line for line in run.console_body().split("\r\n") if line.startswith("ERROR")]
    assert reports == [
        f"ERROR: unhandled exception 0xC0000005 while testing Tavro device library {PF32}a_fault.dll",
        f"ERROR: unhandled exception 0xC0000409 while testing Tavro device library {PF32}b_fastfail.dll"]
    assert crlf(f"\nLoading {PF32}z_next.dll\n\n  Tavro device name: Tavro Fixture Device\n") in run.console_body()
    assert_log_holds_everything(run)
