"""What the program files of both builds carry: exports, manifest, imports."""
import re
import subprocess

import pytest

from conftest import REPO, build_dir

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


def program_texts():
    """Every string literal of the program's sources, its C escapes read."""
    texts = []
    for folder in ("app", "device", "guard", "output", "pe"):
        for source in sorted((REPO / folder).glob("*.[ch]*")):
            code = source.read_text(encoding="latin-1")
            for literal in re.findall(r'"((?:[^"\\\n]|\\.)*)"', code):
                texts.append(re.sub(r"\\(.)", lambda m: {"n": "\n", "r": "\r", "t": "\t"}.get(m.group(1), m.group(1)),
                                    literal))
    return texts


def test_every_line_the_operator_guide_quotes_is_one_the_program_prints():
    """docs/operator-guide.md quotes each line (headings like ### `...`), with
    <placeholders> and [optional parts]: every literal piece of each must be
    a text of the program."""
    guide = (REPO / "docs" / "operator-guide.md").read_text(encoding="utf-8")
    quoted = re.findall(r"^### `(.+)`$", guide, flags=re.M)
    assert len(quoted) >= 30
    texts = program_texts()
    for line in quoted:
        for piece in re.split(r"<[^>]+>|\[|\]", line):
            if len(piece.strip()) >= 3:
                assert any(piece in text for text in texts), (line, piece)
