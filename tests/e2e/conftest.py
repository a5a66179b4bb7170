"""End-to-end harness: runs the real TavroProbe.exe under Wine.

One private Wine prefix is made per test session (per pytest-xdist worker,
each with its own Wine server) and reused by every case of that session.
Each case gets its own copy of the program (the log is written beside it),
empty search folders inside the prefix, and the standard input it asks for.

scripts/test runs the cases in parallel (pytest-xdist) by these marks:
- alone: the case measures time (data blocks in a span, the moments of
  warnings, TavroCheck's poll times and soak); it runs before the others,
  one at a time, with no other case beside it;
- needs_x86: the case needs the i386 build (given to every case that uses
  probe32 or is made for arch "x86"); where i386 is emulated, these run in
  the background from early on, the one marked long_i386 (a chain of
  emulated process starts) in a run of its own;
- xdist_group: cases that share one module-scoped run of a program run on
  the same worker, so that the run is made once.
"""
import os
import re
import shutil
import sys
import warnings
from dataclasses import dataclass
from pathlib import Path

import pytest

REPO = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(REPO / "scripts"))

import tavrowine  # noqa: E402
from tavrowine import EMULATION_REASON, WinePrefix, i386_emulated, win_path  # noqa: E402,F401

ARCHES = {
    # arch: (build folder variable, loader, Program Files folder of that process)
    arch: (f"TAVRO_BUILD_{arch.upper()}", loader, program_files)
    for arch, (loader, program_files) in tavrowine.ARCHES.items()
}

# For an i386 check that needs a hardware fault delivered to the program.
needs_i386_faults = pytest.mark.skipif(i386_emulated(), reason=EMULATION_REASON)


def pytest_configure(config):
    config.addinivalue_line("markers", "alone: the case measures time; scripts/test runs it by itself, before the others")
    config.addinivalue_line("markers", "needs_x86: the case needs the i386 build")
    config.addinivalue_line("markers", "long_i386: the longest i386 case; run by itself where i386 is emulated")
    config.addinivalue_line("markers", "xdist_group(name): cases that run on the same pytest-xdist worker")


def pytest_collection_modifyitems(items):
    for item in items:
        callspec = getattr(item, "callspec", None)
        if "probe32" in item.fixturenames or (callspec and callspec.params.get("arch") == "x86"):
            item.add_marker(pytest.mark.needs_x86)

PAUSE_PROMPT = re.compile(r"Press any key to continue[^\n]*\Z")


def run_timeout(arch):
    """Seconds a run of the program may take: an emulated i386 process takes
    a minute or more to start, and its PAUSE starts a second one."""
    return 900 if arch == "x86" and i386_emulated() else 300


def build_dir(arch):
    variable, _, _ = ARCHES[arch]
    return Path(os.environ.get(variable, REPO / "build" / arch))


def crlf(text):
    """Text as a text-mode stream writes it: every line feed as CR LF."""
    return text.replace("\n", "\r\n")


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


class TestPrefix(WinePrefix):
    """The tests' prefix. Where i386 runs under qemu, the 32-bit Wine loader is
    now and then killed by a Linux signal of qemu's own (seen once in CI, in
    the i386 run that ends with a crash report: SIGSEGV). Wine running
    natively never ends that way, whatever the program does. Such a run is
    made once more: a clean second run is what the case judges (and a
    warning says so); a program killed twice fails the case, naming the
    signal, since that is no longer chance."""

    __test__ = False

    def run(self, arch, program, *args, **kwargs):
        result = super().run(arch, program, *args, **kwargs)
        if arch == "x86" and i386_emulated() and result.returncode < 0:
            first = -result.returncode
            result = super().run(arch, program, *args, **kwargs)
            if result.returncode < 0:
                pytest.fail(f"the 32-bit Wine loader, run by qemu user emulation, was killed by signal "
                            f"{-result.returncode}, and by signal {first} in the run before")
            warnings.warn(f"the 32-bit Wine loader, run by qemu user emulation, was killed by signal {first}; "
                          f"the case judges its second run, which ended normally")
        return result


@pytest.fixture(scope="session")
def prefix(tmp_path_factory):
    wine_prefix = TestPrefix(tmp_path_factory.mktemp("wineprefix") / "prefix")
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
        """Copies a built file into one of the search folders, which only its
        owner can write to, as an installer leaves it (Wine's access lists
        follow the Unix modes; a run with administrator rights warns about a
        library that others can change)."""
        folder.mkdir(parents=True, exist_ok=True)
        folder.chmod(0o755)
        target = folder / (name or Path(source).name)
        shutil.copyfile(source, target)
        target.chmod(0o644)
        return target

    def start_copy(self, exe_dir=None):
        """The program's copy in exe_dir (the case's folder by default)."""
        exe_dir = Path(exe_dir) if exe_dir else self.exe_dir
        exe_dir.mkdir(parents=True, exist_ok=True)
        exe = exe_dir / "TavroProbe.exe"
        if not exe.exists():
            shutil.copyfile(build_dir(self.arch) / "app" / "TavroProbe.exe", exe)
        return exe

    def run(self, stdin=b"", exe_dir=None, timeout=None, env=None):
        exe_dir = Path(exe_dir) if exe_dir else self.exe_dir
        exe = self.start_copy(exe_dir)
        log = exe_dir / "TavroProbe.log"
        result = self.prefix.run(self.arch, exe, stdin=stdin, cwd=exe_dir,
                                 timeout=timeout or run_timeout(self.arch), env=env)
        log_text = log.read_bytes().decode("latin-1") if log.is_file() else None
        return Run(result.returncode, result.stdout.decode("latin-1"), log_text,
                   win_path(log), exe_dir)


@pytest.fixture
def probe(prefix, tmp_path):
    return Probe(prefix, tmp_path, "x64")


@pytest.fixture
def probe32(prefix, tmp_path):
    return Probe(prefix, tmp_path, "x86")
