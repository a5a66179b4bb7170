"""What the program files of both builds carry: exports, manifest, imports."""
import subprocess

import pytest

from conftest import build_dir

OBJDUMP = {"x64": "x86_64-w64-mingw32-objdump", "x86": "i686-w64-mingw32-objdump"}


def headers(arch):
    exe = build_dir(arch) / "app" / "TavroProbe.exe"
    return subprocess.run([OBJDUMP[arch], "-p", str(exe)], check=True, capture_output=True,
                          text=True).stdout


@pytest.mark.parametrize("arch", ["x64", "x86"])
def test_the_program_exports_its_version_function_undecorated(arch):
    text = headers(arch)
    names = text.split("[Ordinal/Name Pointer] Table", 1)[1].split("\n\n", 1)[0]
    assert [line.split("]")[-1].strip() for line in names.strip().splitlines()] == \
        ["Tavro_GetDeviceLibraryVersion"]


@pytest.mark.parametrize("arch", ["x64", "x86"])
def test_the_program_needs_no_mingw_runtime_dlls(arch):
    imported = {line.split(":", 1)[1].strip().lower()
                for line in headers(arch).splitlines() if "DLL Name:" in line}
    # Windows' own DLLs only (advapi32: the access lists of the search folders).
    assert imported <= {"advapi32.dll", "kernel32.dll", "msvcrt.dll", "shell32.dll", "user32.dll"}, imported


@pytest.mark.parametrize("arch", ["x64", "x86"])
def test_the_manifest_asks_for_no_elevation(arch):
    exe = (build_dir(arch) / "app" / "TavroProbe.exe").read_bytes()
    assert b'requestedExecutionLevel level="asInvoker"' in exe


@pytest.mark.parametrize("arch", ["x64", "x86"])
def test_the_program_file_carries_its_version(arch):
    exe = (build_dir(arch) / "app" / "TavroProbe.exe").read_bytes()
    for key, value in [("ProductName", "TavroProbe"), ("FileVersion", "1.0.0"),
                       ("FileDescription", "TavroProbe - tests the Tavro device libraries")]:
        assert (key + "\0").encode("utf-16-le") in exe
        assert value.encode("utf-16-le") in exe
