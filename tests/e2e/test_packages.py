"""The release packages: each ZIP unpacked into Program Files of a fresh Wine
prefix runs from there and tests the sample library it carries; its SDK
folder is a CMake project that builds the sample on its own."""
import shutil
import subprocess
import zipfile

import pytest

from conftest import ARCHES, REPO, TestPrefix, build_dir, crlf, run_timeout
from test_acquisition import blocks, check_sample_blocks

PACKAGES = {"x64": "win64", "x86": "win32"}
VERSION = "1.0.0"


def package(arch):
    path = build_dir(arch) / "packages" / f"TavroProbe-{VERSION}-{PACKAGES[arch]}.zip"
    assert path.is_file(), f"{path} is missing: make it with scripts/package"
    return path


@pytest.fixture(scope="module")
def fresh_prefix(tmp_path_factory):
    prefix = TestPrefix(tmp_path_factory.mktemp("package-prefix") / "prefix")
    prefix.create()
    yield prefix
    prefix.close()


@pytest.mark.parametrize("arch", ["x64", "x86"])
def test_the_package_holds_the_program_readme_license_and_sdk(arch):
    folder = f"TavroProbe-{VERSION}-{PACKAGES[arch]}/"
    names = set(zipfile.ZipFile(package(arch)).namelist())
    for name in ["TavroProbe.exe", "TavroCheck.exe", "README.md", "LICENSE", "sdk/README.md",
                 "sdk/CMakeLists.txt", "sdk/include/TavroDeviceLibrary.h",
                 "sdk/kit/DeviceLibraryKit.h", "sdk/kit/KitDevice.h", "sdk/kit/KitSamples.h",
                 "sdk/kit/KitThreads.h", "sdk/kit/KitWindows.h",
                 "sdk/bin/TavroSampleDevice.dll", "sdk/sample/CMakeLists.txt",
                 "sdk/sample/SampleDevice.cpp"]:
        assert folder + name in names
    # Nothing of the tests travels with it.
    assert not any("fixture" in name or "gtest" in name for name in names)


@pytest.mark.parametrize("arch", ["x64", "x86"])
def test_the_unpacked_program_tests_the_sample_from_program_files(fresh_prefix, arch):
    program_files = fresh_prefix.drive_c() / ARCHES[arch][2]
    with zipfile.ZipFile(package(arch)) as archive:
        archive.extractall(program_files)
    installed = program_files / f"TavroProbe-{VERSION}-{PACKAGES[arch]}"
    search_folder = program_files / "Morvane" / "Tavro"
    search_folder.mkdir(parents=True, exist_ok=True)
    shutil.copyfile(installed / "sdk" / "bin" / "TavroSampleDevice.dll",
                    search_folder / "TavroSampleDevice.dll")

    result = fresh_prefix.run(arch, installed / "TavroProbe.exe", stdin=b"y\n1\n", timeout=run_timeout(arch))
    console = result.stdout.decode("latin-1")
    windows_folder = f"C:\\{ARCHES[arch][2]}\\TavroProbe-{VERSION}-{PACKAGES[arch]}\\"
    assert result.returncode == 0
    assert crlf(f"Loading C:\\{ARCHES[arch][2]}\\Morvane\\Tavro\\TavroSampleDevice.dll\n\n"
                "  Tavro device name: Tavro Sample Device\n") in console
    found = blocks(console)
    assert 5 <= len(found) <= 12
    check_sample_blocks(found)
    assert crlf(f"\nA log file was created at {windows_folder}TavroProbe.log\n") in console
    log = (installed / "TavroProbe.log").read_bytes().decode("latin-1")
    assert blocks(log) == found


def build_step(command):
    """Runs a step of a build; its output is the failure message."""
    result = subprocess.run(command, capture_output=True, text=True)
    assert result.returncode == 0, result.stdout + result.stderr


def test_the_sdk_builds_the_sample_on_its_own(tmp_path):
    with zipfile.ZipFile(package("x64")) as archive:
        archive.extractall(tmp_path)
    sdk = tmp_path / f"TavroProbe-{VERSION}-win64" / "sdk"
    build = tmp_path / "build-sdk"
    # The SDK folder itself is the top of the build; a warning fails it.
    build_step(["cmake", "-S", str(sdk), "-B", str(build), "-G", "Ninja",
                f"-DCMAKE_TOOLCHAIN_FILE={REPO / 'cmake' / 'mingw-x86_64.cmake'}",
                "-DCMAKE_BUILD_TYPE=Release", "-DCMAKE_COMPILE_WARNING_AS_ERROR=ON"])
    build_step(["cmake", "--build", str(build)])
    dll = build / "TavroSampleDevice.dll"
    exports = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", str(dll)], check=True,
                             capture_output=True, text=True).stdout
    for name in ["Tavro_GetDeviceLibraryVersion", "Tavro_GetDeviceName", "Tavro_SetCallbackInfo",
                 "Tavro_GetLastData", "Tavro_GetData", "Tavro_StopExperiment"]:
        assert f"] {name}\n" in exports
