"""Drives Wine for the project's end-to-end tests, the robustness report and
the benchmarks: the loaders, a private prefix and its server's lifetime,
running one program with a given standard input and a time-out, and whether
i386 programs run under emulation here.

Standard library only, so that Debian's own Python runs it.
"""
import os
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

SCRIPTS = Path(__file__).resolve().parent

WINE_DIR = Path("/usr/lib/wine")
WINE64 = str(WINE_DIR / "wine64")
WINE32 = str(WINE_DIR / "wine")
WINESERVER = str(WINE_DIR / "wineserver")

# arch: (loader, Program Files folder as a process of that arch sees it)
ARCHES = {
    "x64": (WINE64, "Program Files"),
    "x86": (WINE32, "Program Files (x86)"),
}

EMULATION_REASON = ("i386 programs run under qemu user emulation on this machine, which does not "
                    "hand a 32-bit program's hardware faults to Wine intact")

_emulated = None


def i386_emulated():
    """True when the kernel hands i386 programs (the 32-bit Wine loader) to
    qemu. scripts/test decides once and exports TAVRO_I386_EMULATED; without
    it, scripts/i386-emulated is asked, the same check that wine-run makes."""
    global _emulated
    if _emulated is None:
        told = os.environ.get("TAVRO_I386_EMULATED")
        if told in ("0", "1"):
            _emulated = told == "1"
        else:
            _emulated = subprocess.run([str(SCRIPTS / "i386-emulated")]).returncode == 0
    return _emulated


# Files under drive_c/windows that Wine only reads once a prefix is made: the
# system's programs, libraries and data (over 1 GB).
_READ_ONLY_SUFFIXES = {".dll", ".exe", ".nls", ".drv", ".sys", ".vxd", ".ocx", ".cpl", ".acm", ".tlb", ".ds", ".com",
                       ".ax", ".msstyles", ".manifest"}


def copy_prefix(template, destination):
    """Makes destination a copy of the made prefix template. The system's
    programs and libraries under drive_c/windows are hard links to the
    template's, which Wine only reads; everything else (the registry, the
    users' and programs' folders, settings files) is copied. A whole copy
    takes seconds of a CPU; this takes a fraction of one."""
    template = Path(template)
    destination = Path(destination)
    windows = template / "drive_c" / "windows"
    for folder, subfolders, files in os.walk(template):
        source = Path(folder)
        target = destination / source.relative_to(template)
        target.mkdir(exist_ok=True)
        for name in subfolders + files:
            path = source / name
            if path.is_symlink():
                os.symlink(os.readlink(path), target / name)
            elif name in files:
                shared = path.suffix.lower() in _READ_ONLY_SUFFIXES and windows in path.parents
                if shared:
                    os.link(path, target / name)
                else:
                    shutil.copy2(path, target / name, follow_symlinks=False)
        shutil.copystat(source, target)
        # Symbolic links to folders are not walked into.
        subfolders[:] = [name for name in subfolders if not (source / name).is_symlink()]


def win_path(path):
    """The Windows name of a Linux path under Wine's Z: drive."""
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


class WinePrefix:
    """A private Wine prefix with a persistent server; never ~/.wine."""

    def __init__(self, root, scrub=()):
        self.root = Path(root)
        self.env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", *scrub)}
        self.env.update(
            WINEPREFIX=str(self.root),
            WINEDEBUG="-all",
            # No Mono or Gecko install prompts while the prefix is made.
            WINEDLLOVERRIDES="mscoree,mshtml=",
            LC_ALL="C.UTF-8",
            TAVRO_I386_EMULATED="1" if i386_emulated() else "0",
        )

    def create(self):
        """Makes the prefix (when it does not exist yet) and starts its server.
        Where TAVRO_WINEPREFIX_TEMPLATE names a prefix that scripts/test has
        just made, the new one is a copy of it: seconds instead of minutes
        where wineboot's 32-bit half runs emulated."""
        if not (self.root / "system.reg").is_file():
            self.root.parent.mkdir(parents=True, exist_ok=True)
            template = os.environ.get("TAVRO_WINEPREFIX_TEMPLATE")
            if template and (Path(template) / "system.reg").is_file():
                copy_prefix(template, self.root)
            else:
                subprocess.run([WINE64, "wineboot", "--init"], env=self.env, check=True,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=900)
        self.start_server()

    def start_server(self):
        # The server of the prefix's creation must have ended first. A
        # persistent server spares every later program the server start-up.
        subprocess.run([WINESERVER, "-w"], env=self.env, check=True, timeout=900)
        subprocess.run([WINESERVER, "-p"], env=self.env, check=True, timeout=60)

    def close(self):
        subprocess.run([WINESERVER, "-k"], env=self.env, timeout=60)

    def drive_c(self):
        return self.root / "drive_c"

    def program_files(self, arch):
        return self.drive_c() / ARCHES[arch][1] / "Morvane" / "Tavro"

    def program_data(self):
        return self.drive_c() / "ProgramData" / "Morvane" / "Tavro"

    def clear_search_folders(self):
        for arch in ARCHES:
            shutil.rmtree(self.drive_c() / ARCHES[arch][1] / "Morvane", ignore_errors=True)
        shutil.rmtree(self.drive_c() / "ProgramData" / "Morvane", ignore_errors=True)

    def start(self, arch, program, args=(), cwd=None, env=None):
        """Starts a Windows program of that arch with pipes for its standard
        input and output, for a test that talks to it while it runs."""
        run_env = dict(self.env)
        run_env.update(env or {})
        return subprocess.Popen([ARCHES[arch][0], str(program), *map(str, args)], stdin=subprocess.PIPE,
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=run_env, cwd=cwd)

    def run(self, arch, program, args=(), stdin=b"", cwd=None, timeout=300, env=None):
        """Runs a Windows program of that arch to its end. Standard error goes
        to a file, not a pipe: Wine's own processes, started by the first
        program, inherit it and would hold a pipe open after the program ended."""
        run_env = dict(self.env)
        run_env.update(env or {})
        with tempfile.TemporaryFile() as errors:
            result = subprocess.run([ARCHES[arch][0], str(program), *map(str, args)], input=stdin,
                                    env=run_env, cwd=cwd, stdout=subprocess.PIPE,
                                    stderr=errors, timeout=timeout)
            errors.seek(0)
            result.stderr = errors.read()
        return result


if __name__ == "__main__":
    # scripts/wine-run: tavrowine.py copy-prefix TEMPLATE DESTINATION
    if len(sys.argv) != 4 or sys.argv[1] != "copy-prefix":
        sys.exit("usage: tavrowine.py copy-prefix TEMPLATE DESTINATION")
    copy_prefix(sys.argv[2], sys.argv[3])
