"""scripts/wine-run, which CTest uses to start every unit-test program: the
x64 and x86 CTest runs start programs at once in one prefix not made yet."""
import os
import subprocess
import time

from conftest import REPO


def test_programs_started_at_once_in_a_new_prefix_all_run(prefix, tmp_path):
    env = dict(os.environ, TAVRO_WINEPREFIX=str(tmp_path / "prefix"),
               TAVRO_WINEPREFIX_TEMPLATE=str(prefix.root))
    wine_run = [str(REPO / "scripts" / "wine-run")]
    started = []
    try:
        # Staggered so that later ones arrive while the first is still copying.
        for _ in range(3):
            started.append(subprocess.Popen(wine_run + ["x64", "cmd", "/c", "exit", "0"], env=env,
                                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                            text=True))
            time.sleep(0.3)
        for program in started:
            output, _ = program.communicate(timeout=300)
            assert program.returncode == 0, output
            assert "File exists" not in output and "has been updated" not in output, output
    finally:
        subprocess.run(wine_run + ["server", "-k"], env=env, stderr=subprocess.DEVNULL)
