"""End-to-end harness: runs the real TavroProbe.exe under Wine.

One private Wine prefix is made per test session and reused by every case.
Each case gets its own copy of the program (the log is written beside it),
empty search folders inside the prefix, and the standard input it asks for.
"""
import os
import re
import shutil
import subprocess
from dataclasses import dataclass
from pathlib import Path

import pytest

REPO = Path(__file__).resolve().parents[2]
WINE64 = "/usr/lib/wine/wine64"
WINE32 = "/usr/lib/wine/wine"
WINESERVER = "/usr/lib/wine/wineserver"

ARCHES = {
    # arch: (build folder variable, loader, Program Files folder of that process)
    "x64": ("TAVRO_BUILD_X64", WINE64, "Program Files"),
    "x86": ("TAVRO_BUILD_X86", WINE32, "Program Files (x86)"),
}

PAUSE_PROMPT = re.compile(r"Press any key to continue[^\n]*\Z")


def build_dir(arch):
    variable, _, _ = ARCHES[arch]
    return Path(os.environ.get(variable, REPO / "build" / arch))


def crlf(text):
    """Text as a text-mode stream writes it: every line feed as CR LF."""
    return text.replace("\n", "\r\n")


def win_path(path):
    """The Windows name of a Linux path under Wine's Z: drive."""
    return "Z:" + str(path).replace("/", "\\")


@dataclass
class Run:
    returncode: int
    stdout: str
    log: str  # None when no log file was written
    log_path: str  # Windows path of the log
    exe_dir: Path

    def console_body(self):
        """The console output without the closing message and the PAUSE prompt."""
        closing = crlf(f"\nA log file was created at {self.log_path}\n")
        text = PAUSE_PROMPT.sub("", self.stdout)
        assert text.endswith(closing), f"no closing message at the end of:\n{self.stdout!r}"
        return text[: -len(closing)]


class WinePrefix:
    def __init__(self, root):
        self.root = root
        self.env = dict(os.environ)
        self.env.update(
            WINEPREFIX=str(root),
            WINEDEBUG="-all",
            WINEDLLOVERRIDES="mscoree,mshtml=",
            LC_ALL="C.UTF-8",
        )
        self.env.pop("DISPLAY", None)

    def create(self):
        subprocess.run([WINE64, "wineboot", "--init"], env=self.env, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=600)
        subprocess.run([WINESERVER, "-w"], env=self.env, check=True, timeout=600)
        # A persistent server spares every case the server start-up.
        subprocess.run([WINESERVER, "-p"], env=self.env, check=True, timeout=60)

    def close(self):
        subprocess.run([WINESERVER, "-k"], env=self.env, timeout=60)

    def drive_c(self):
        return self.root / "drive_c"

    def program_files(self, arch):
        return self.drive_c() / ARCHES[arch][2] / "Morvane" / "Tavro"

    def program_data(self):
        return self.drive_c() / "ProgramData" / "Morvane" / "Tavro"

    def clear_search_folders(self):
        for arch in ARCHES:
            shutil.rmtree(self.drive_c() / ARCHES[arch][2] / "Morvane", ignore_errors=True)
        shutil.rmtree(self.drive_c() / "ProgramData" / "Morvane", ignore_errors=True)


@pytest.fixture(scope="session")
def prefix(tmp_path_factory):
    wine_prefix = WinePrefix(tmp_path_factory.mktemp("wineprefix") / "prefix")
    wine_prefix.create()
    yield wine_prefix
    wine_prefix.close()


class Probe:
    """One case's view of the program: its folders and a way to run it."""

    def __init__(self, prefix, tmp_path, arch):
        self.prefix = prefix
        self.arch = arch
        self.exe_dir = tmp_path / "probe"
        self.exe_dir.mkdir(parents=True, exist_ok=True)
        self.exe = self.exe_dir / "TavroProbe.exe"
        prefix.clear_search_folders()

    @property
    def program_files(self):
        return self.prefix.program_files(self.arch)

    @property
    def program_data(self):
        return self.prefix.program_data()

    def program_files_win(self):
        return f"C:\\{ARCHES[self.arch][2]}\\Morvane\\Tavro\\"

    @staticmethod
    def program_data_win():
        return "C:\\ProgramData\\Morvane\\Tavro\\"

    def fixture(self, name):
        """A built fixture library of this case's architecture."""
        return build_dir(self.arch) / "fixtures" / f"{name}.dll"

    def sample(self):
        return build_dir(self.arch) / "sdk" / "TavroSampleDevice.dll"

    def install_fixtures(self, *names, folder=None):
        for name in names:
            self.install(folder or self.program_files, self.fixture(name))

    def trace_env(self):
        """Environment that makes every fixture trace its calls; read with trace()."""
        return {"TAVRO_FIXTURE_TRACE": win_path(self.trace_file)}

    @property
    def trace_file(self):
        return self.exe_dir / "fixture-trace.txt"

    def trace(self):
        if not self.trace_file.exists():
            return []
        return self.trace_file.read_text(encoding="latin-1").splitlines()

    def install(self, folder, source, name=None):
        """Copies a built file into one of the search folders."""
        folder.mkdir(parents=True, exist_ok=True)
        target = folder / (name or Path(source).name)
        shutil.copyfile(source, target)
        return target

    def start_copy(self, exe_dir=None):
        """The program's copy in exe_dir (the case's folder by default)."""
        exe_dir = Path(exe_dir) if exe_dir else self.exe_dir
        exe_dir.mkdir(parents=True, exist_ok=True)
        exe = exe_dir / "TavroProbe.exe"
        if not exe.exists():
            shutil.copyfile(build_dir(self.arch) / "app" / "TavroProbe.exe", exe)
        return exe

    def run(self, stdin=b"", exe_dir=None, timeout=300, env=None):
        exe_dir = Path(exe_dir) if exe_dir else self.exe_dir
        exe = self.start_copy(exe_dir)
        log = exe_dir / "TavroProbe.log"
        run_env = dict(self.prefix.env)
        run_env.update(env or {})
        result = subprocess.run([ARCHES[self.arch][1], str(exe)], input=stdin, env=run_env,
                                cwd=exe_dir, stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL, timeout=timeout)
        log_text = log.read_bytes().decode("latin-1") if log.is_file() else None
        return Run(result.returncode, result.stdout.decode("latin-1"), log_text,
                   win_path(log), exe_dir)


@pytest.fixture
def probe(prefix, tmp_path):
    return Probe(prefix, tmp_path, "x64")


@pytest.fixture
def probe32(prefix, tmp_path):
    return Probe(prefix, tmp_path, "x86")
