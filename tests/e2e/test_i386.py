"""The i386 build, end to end: one run that checks much, since a 32-bit
process start can be slow where the kernel needs emulation for it."""
from conftest import crlf
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
