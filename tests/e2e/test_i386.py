"""The i386 build, end to end: one run that checks much, since a 32-bit
process start can be slow where the kernel needs emulation for it."""
from conftest import build_dir, crlf
from test_acquisition import blocks, check_sample_blocks
from test_device_libraries import SAMPLE_DESCRIPTION, indent

PF32 = "C:\\Program Files (x86)\\Morvane\\Tavro\\"


def test_i386_describes_and_acquires_the_sample_and_reports_a_bad_library(probe32):
    probe32.install(probe32.program_files, probe32.fixture("not_a_library"), "a_bad.dll")
    probe32.install(probe32.program_files, probe32.sample(), "b_sample.dll")
    probe32.install(probe32.program_files, probe32.fixture("fixture_no_GetData"), "c_no_get_data.dll")
    run = probe32.run(stdin=b"y\n1\n")
    assert run.returncode == 0
    body = run.console_body()
    assert body.startswith(crlf(f"Searching {PF32} . . .\n\nLoading {PF32}a_bad.dll\n\n"
                                f"Error: failed to load Tavro library. {PF32}a_bad.dll "))
    assert crlf(f"\nLoading {PF32}b_sample.dll\n\n" + indent(SAMPLE_DESCRIPTION)) in body
    # String values are read through the slot's first 4 bytes here.
    found = blocks(body)
    assert 5 <= len(found) <= 12
    check_sample_blocks(found)
    assert crlf(f"Error: procedure Tavro_GetData is not implemented in Tavro device library "
                f"{PF32}c_no_get_data.dll\n") in body
    assert blocks(run.log) == found


def test_i386_meets_a_row_of_misbehaving_libraries_and_goes_on(probe32):
    from robustness import assert_log_holds_everything
    folder = probe32.program_files
    probe32.install(folder, build_dir("x64") / "fixtures" / "fixture_good.dll", "a_other_arch.dll")
    for name, fixture in [("b_refuse", "fixture_refuse_attach"), ("c_null_string", "fixture_null_string"),
                          ("d_upper_bytes", "fixture_upper_bytes"), ("e_huge_time", "fixture_huge_time"),
                          ("f_percent", "fixture_percent_ansi"), ("g_storm", "fixture_storm"),
                          ("z_next", "fixture_good")]:
        probe32.install(folder, probe32.fixture(fixture), f"{name}.dll")
    run = probe32.run(stdin=b"y\n1\n" * 4 + b"y\n2\n" + b"n\n")
    assert run.returncode == 0
    body = run.console_body()
    for name in ("a_other_arch", "b_refuse"):
        assert f"Error: failed to load Tavro library. {PF32}{name}.dll " in body
    sections = body.split("\r\nLoading ")
    by_name = {section.split(".dll", 1)[0].rsplit("\\", 1)[-1]: section for section in sections[1:]}
    assert all(lines[2] == "  State (null) text" for _, lines in blocks(by_name["c_null_string"]))
    # On i386 a String slot is 4 bytes: the garbage above it is not read.
    upper = blocks(by_name["d_upper_bytes"])
    assert upper and all(lines[3].startswith("  Component 3 c3 n") for _, lines in upper)
    assert all(time == "  Acquisition Time: 00/00/0000 00:00:00" for time, _ in blocks(by_name["e_huge_time"]))
    assert all(lines[1] == "  Note %s 50% \u00fcber %d \u00b5s" for _, lines in blocks(by_name["f_percent"]))
    assert 10 <= len(blocks(by_name["g_storm"])) <= 22
    assert crlf('Run acquisition test on device "Tavro Fixture Device" Y/N?\n\nEnd of testing device') \
        in by_name["z_next"]
    assert_log_holds_everything(run)


def test_i386_a_fault_and_an_escaping_exception_end_the_run_with_a_report(probe32):
    probe32.install(probe32.program_files, probe32.fixture("fixture_throw"), "a_throw.dll")
    probe32.install(probe32.program_files, probe32.fixture("fixture_good"), "z_next.dll")
    run = probe32.run(stdin=b"y\n1\nn\n")
    # The i386 runtime cannot carry the library's exception past the library's
    # edge: it ends in abort(), which is reported like a fault.
    report = f"ERROR: unhandled exception 0x40000015 while testing Tavro device library {PF32}a_throw.dll\r\n"
    assert run.returncode == 1
    assert run.stdout.endswith(report)
    assert run.log.endswith(report)

    (probe32.program_files / "a_throw.dll").unlink()
    probe32.install(probe32.program_files, probe32.fixture("fixture_fault"), "a_fault.dll")
    run = probe32.run(stdin=b"y\n1\nn\n")
    report = f"ERROR: unhandled exception 0xC0000005 while testing Tavro device library {PF32}a_fault.dll\r\n"
    assert run.returncode == 1
    assert run.stdout.endswith(report)
    assert run.log.endswith(report)
