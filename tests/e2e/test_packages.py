"""The release packages: each ZIP unpacked into Program Files of a fresh Wine
prefix runs from there and tests the sample library it carries; its SDK
folder is a CMake project that builds the sample on its own, and a CMake
package that a library writer's own project finds, to check its libraries
with TavroCheck from CTest."""
import re
import shutil
import subprocess
import tempfile
import xml.etree.ElementTree as ElementTree
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
                 "sdk/sample/SampleDevice.cpp", "sdk/cmake/TavroDeviceKitConfig.cmake",
                 "sdk/cmake/TavroDeviceKitConfigVersion.cmake"]:
        assert folder + name in names
    # Nothing of the tests travels with it.
    assert not any("fixture" in name or "gtest" in name for name in names)


def test_the_i386_package_holds_the_program_and_sample_the_i386_run_tests():
    # An i386 process start takes a minute where i386 runs emulated: the
    # unpacked x86-64 program is run below; the i386 ZIP's program and
    # sample are the very files that the i386 end-to-end run tests.
    folder = f"TavroProbe-{VERSION}-{PACKAGES['x86']}/"
    with zipfile.ZipFile(package("x86")) as archive:
        assert archive.read(folder + "TavroProbe.exe") == (build_dir("x86") / "app" / "TavroProbe.exe").read_bytes()
        assert archive.read(folder + "sdk/bin/TavroSampleDevice.dll") == \
            (build_dir("x86") / "sdk" / "TavroSampleDevice.dll").read_bytes()


@pytest.mark.parametrize("arch", ["x64"])
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


WRITER = REPO / "tests" / "e2e" / "writer_project"


def configure_writer_project(build, toolchain, package_option):
    """Configures the writer's project the way a writer would; returns the
    finished process (cmake's output in stdout)."""
    return subprocess.run(["cmake", "-S", str(WRITER), "-B", str(build), "-G", "Ninja",
                           f"-DCMAKE_TOOLCHAIN_FILE={toolchain}", "-DCMAKE_BUILD_TYPE=Release",
                           package_option], capture_output=True, text=True)


def test_a_writers_project_checks_each_library_with_ctest(fresh_prefix, tmp_path):
    """find_package, add_library and tavro_add_check_test: a CTest test per
    library, run under Wine, whose verdict is TavroCheck's."""
    with zipfile.ZipFile(package("x64")) as archive:
        archive.extractall(tmp_path)
    unpacked = tmp_path / f"TavroProbe-{VERSION}-win64"
    build = tmp_path / "build"
    configured = configure_writer_project(build, WRITER / "toolchain-mingw64.cmake",
                                          f"-DCMAKE_PREFIX_PATH={unpacked / 'sdk'}")
    assert configured.returncode == 0, configured.stdout + configured.stderr
    build_step(["cmake", "--build", str(build)])
    # Wine's own processes start with the first program of a prefix; here,
    # not inside a CTest test whose output pipe they would hold open.
    assert fresh_prefix.run("x64", unpacked / "TavroCheck.exe", ["--list"]).returncode == 0
    with tempfile.TemporaryFile() as output:
        ctest = subprocess.run(["ctest", "--test-dir", str(build), "-j2", "--output-on-failure"],
                               env=fresh_prefix.env, stdout=output, stderr=subprocess.STDOUT, timeout=600)
        output.seek(0)
        console = output.read().decode("latin-1")
    assert ctest.returncode != 0, console
    assert re.search(r"Test +#\d+: tavro_check_good_device \.+ +Passed", console), console
    assert re.search(r"Test +#\d+: tavro_check_broken_device \.+\*\*\*Failed", console), console
    # Side by side: both started before the first ended.
    assert console.index("Start 2:") < console.index("1/2 Test"), console
    # A Unix path, as CMake gives it, is the library TavroCheck checks.
    assert "FAIL     texts.device_name             device name: empty (rule: texts)" in console
    reports = build / "tavro-check"
    good = ElementTree.parse(reports / "tavro_check_good_device.xml").getroot()
    assert int(good.get("failures")) == 0 and len(list(good.iter("testcase"))) == 23
    broken = ElementTree.parse(reports / "tavro_check_broken_device.xml").getroot()
    assert [case.get("name") for case in broken.iter("testcase") if case.find("failure") is not None] == \
        ["texts.device_name"]
    assert (build / "broken_device.json").is_file()


def test_a_library_of_the_other_architecture_is_a_configure_error(tmp_path):
    with zipfile.ZipFile(package("x64")) as archive:
        archive.extractall(tmp_path)
    unpacked = tmp_path / f"TavroProbe-{VERSION}-win64"
    configured = configure_writer_project(tmp_path / "build32", REPO / "cmake" / "mingw-i686.cmake",
                                          f"-DTavroDeviceKit_DIR={unpacked / 'sdk' / 'cmake'}")
    assert configured.returncode != 0
    message = " ".join(configured.stderr.split())
    assert (f"tavro_add_check_test(good_device): good_device is built for i386, but {unpacked / 'TavroCheck.exe'} "
            "checks x86-64 libraries") in message, configured.stderr
