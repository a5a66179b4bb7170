"""Loading, binding and describing device libraries, end to end."""
import pytest

from conftest import crlf

PF = "C:\\Program Files\\Morvane\\Tavro\\"
PD = "C:\\ProgramData\\Morvane\\Tavro\\"
TAIL = "\n" + f"Searching {PD} . . .\n\n" + "Directory does not exist\n\n"

SAMPLE_DESCRIPTION = """\
Tavro device name: Tavro Sample Device
Library version: 1
Component count: 7

Component index: 0
Component name: Sample Counter
Component data type: Unsigned Long Long
Component units: samples
Component precision: 0

Component index: 1
Component name: Position Offset
Component data type: Long Long
Component units: nm
Component precision: 0

Component index: 2
Component name: Status Word
Component data type: Unsigned Long
Component units: flags
Component precision: 0

Component index: 3
Component name: Temperature Drift
Component data type: Long
Component units: mK
Component precision: 0

Component index: 4
Component name: Pressure
Component data type: Float
Component units: kPa
Component precision: 2

Component index: 5
Component name: Supply Voltage
Component data type: Double
Component units: V
Component precision: 6

Component index: 6
Component name: State
Component data type: String
Component units: 
Component precision: 0

"""


def indent(text, blanks=2):
    """Every line, empty ones too, gets the blanks; a final line feed opens no line."""
    out = ""
    while text:
        out += " " * blanks
        line, feed, text = text.partition("\n")
        out += line + feed
    return out


def refused(name):
    """Console and log text of a refused acquisition test."""
    question = indent(f'Run acquisition test on device "{name}" Y/N?')
    closing = f'\n\nEnd of testing device "{name}"\n\n'
    return question + closing, question + " n" + closing


def test_the_sample_device_is_described_indented_by_two_blanks(probe):
    probe.install(probe.program_files, probe.sample())
    run = probe.run(stdin=b"n\n")
    console, log = refused("Tavro Sample Device")
    head = f"Searching {PF} . . .\n\nLoading {PF}TavroSampleDevice.dll\n\n" + indent(SAMPLE_DESCRIPTION)
    assert run.returncode == 0
    assert run.console_body() == crlf(head + console + TAIL)
    assert run.log == crlf(head + log + TAIL)


def test_a_device_without_components_is_described_by_three_lines(probe):
    probe.install_fixtures("fixture_count_0", "fixture_count_minus1")
    run = probe.run(stdin=b"n\nn\n")
    body = run.console_body()
    for name in ("fixture_count_0", "fixture_count_minus1"):
        block = (f"Loading {PF}{name}.dll\n\n" +
                 indent("Tavro device name: Tavro Fixture Device\nLibrary version: 1\n"
                        "Component count: 0\n\n") +
                 indent('Run acquisition test on device "Tavro Fixture Device" Y/N?'))
        assert crlf(block) in body


def test_a_bad_library_is_reported_and_the_next_one_is_still_described(probe):
    probe.install(probe.program_files, probe.fixture("not_a_library"), "a_not_a_library.dll")
    probe.install(probe.program_files, probe.sample(), "b_sample.dll")
    run = probe.run(stdin=b"n\n")
    body = run.console_body()
    assert run.returncode == 0
    error = f"Error: failed to load Tavro library. {PF}a_not_a_library.dll "
    assert body.startswith(crlf(f"Searching {PF} . . .\n\nLoading {PF}a_not_a_library.dll\n\n") + error)
    # The system's error text follows, with its own line end, then the
    # library test's line feed.
    after = body[len(crlf(f"Searching {PF} . . .\n\nLoading {PF}a_not_a_library.dll\n\n") + error):]
    system_text, rest = after.split("\r\n", 1)
    assert system_text.strip()
    assert rest.startswith(crlf(f"\n\nLoading {PF}b_sample.dll\n\n" + indent(SAMPLE_DESCRIPTION)))
    assert run.log.startswith(body[:body.index("Run acquisition test")])


REQUIRED = ["Tavro_GetDeviceName", "Tavro_GetNumberOfComponents", "Tavro_GetComponentName",
            "Tavro_GetComponentUnits", "Tavro_GetComponentDataType",
            "Tavro_GetComponentDataPrecision", "Tavro_PrepareExperiment", "Tavro_StartExperiment",
            "Tavro_GetLastData", "Tavro_GetAvailableDataCount", "Tavro_GetData",
            "Tavro_StopExperiment", "Tavro_SetCallbackInfo"]


@pytest.mark.parametrize("fixture, missing", [
    *[(f"fixture_no_{name[len('Tavro_'):]}", name) for name in REQUIRED],
    ("fixture_no_last_data_or_count", "Tavro_GetAvailableDataCount"),
])
def test_a_missing_export_is_named_and_the_library_unloaded_without_unregistering(probe, fixture, missing):
    probe.install_fixtures(fixture)
    run = probe.run(env=probe.trace_env())
    path = f"{PF}{fixture}.dll"
    assert run.returncode == 0
    assert run.console_body() == crlf(
        f"Searching {PF} . . .\n\nLoading {path}\n\n"
        f"Error: procedure {missing} is not implemented in Tavro device library {path}\n" + TAIL)
    assert run.log == run.console_body()
    trace = probe.trace()
    assert trace[0] == f"{fixture} DllMain attach"
    assert not any("Tavro_" in line for line in trace), "no procedure may be called"
    assert trace[-1].startswith(f"{fixture} DllMain detach")


def test_a_library_without_version_export_is_described_with_version_0(probe):
    probe.install_fixtures("fixture_no_version")
    run = probe.run(stdin=b"n\n")
    assert crlf("  Tavro device name: Tavro Fixture Device\n  Library version: 0\n") in run.console_body()


@pytest.mark.parametrize("fixture, message", [
    ("fixture_empty_name", "Error: cannot get Tavro device name from {path}."),
    ("fixture_empty_component_name_0", "Error: cannot get Tavro component name for component index 0"),
    ("fixture_empty_component_name_2", "Error: cannot get Tavro component name for component index 2"),
    ("fixture_type_0", "Error: cannot get Tavro component data type for component index 0"),
    ("fixture_type_8", "Error: cannot get Tavro component data type for component index 0"),
    ("fixture_type_minus1", "Error: cannot get Tavro component data type for component index 0"),
    ("fixture_precision_minus1", "Error: cannot get Tavro component data precision for component index 0"),
])
def test_invalid_descriptions_are_rejected_with_their_message(probe, fixture, message):
    probe.install_fixtures(fixture)
    run = probe.run(env=probe.trace_env())
    path = f"{PF}{fixture}.dll"
    assert run.console_body() == crlf(
        f"Searching {PF} . . .\n\nLoading {path}\n\n" + message.format(path=path) + "\n" + TAIL)
    trace = probe.trace()
    assert not any("Tavro_SetCallbackInfo" in line for line in trace)
    assert trace[-1].startswith(f"{fixture} DllMain detach")


def test_data_types_1_and_7_and_empty_units_are_accepted(probe):
    probe.install_fixtures("fixture_type_1", "fixture_type_7", "fixture_empty_units")
    run = probe.run(stdin=b"n\nn\nn\n")
    body = run.console_body()
    assert crlf("  Component data type: Unsigned Long Long\n") in body
    assert crlf("  Component data type: String\n") in body
    assert crlf("  Component units: \n") in body
    assert "Error" not in body


def test_calls_follow_the_interface_order_and_unregistering_precedes_unloading(probe):
    probe.install_fixtures("fixture_good")
    probe.install(probe.program_files, probe.fixture("fixture_good"), "fixture_good2.dll")
    run = probe.run(stdin=b"n\nn\n", env=probe.trace_env())
    assert run.returncode == 0
    trace = [line.split(" ", 1)[1] for line in probe.trace() if line.startswith("fixture_good ")]
    expected = ["DllMain attach", "Tavro_GetDeviceLibraryVersion", "Tavro_GetDeviceName",
                "Tavro_GetNumberOfComponents"]
    for index in range(3):
        expected += [f"Tavro_GetComponentName {index}", f"Tavro_GetComponentUnits {index}",
                     f"Tavro_GetComponentDataType {index}", f"Tavro_GetComponentDataPrecision {index}"]
    expected += ["Tavro_SetCallbackInfo set", "Tavro_SetCallbackInfo null", "DllMain detach"]
    assert trace[:len(expected)] == expected
    # The first library is unloaded before the second is loaded.
    lines = probe.trace()
    assert lines.index("fixture_good DllMain detach") < lines.index("fixture_good2 DllMain attach")
