"""The modules in a host that finalises Python and initialises it again in
one process (embedding hosts do), run by the test host the build makes
(tests/embed/restart_host.cpp) with the package this suite assembled.

Each round imports both modules through the package, uses the engine and
the dialog's error list (against the stand-in wx: wxPython itself does not
survive a restart) and checks that the names the modules use are the new
interpreter's.  From 3.12 on, the same round runs once more in an isolated
subinterpreter (a GIL of its own) started from the last one."""
import os
import subprocess
import sys
from pathlib import Path

import pytest

import addon_package

ROUNDS = 3
# The host the build made beside the modules, or another one (a Stable-ABI
# build's modules run in a host made for any later interpreter).
PROGRAM = Path(os.environ.get("FETTLE_RESTART_HOST") or addon_package.default_build().parent / "embed" /
               ("restart_host" + (".exe" if os.name == "nt" else "")))
SCRIPT = addon_package.REPO / "tests" / "embed" / "restart_round.py"
FAKE_WX = addon_package.STANDINS / "fake_wx"


def test_modules_survive_an_interpreter_restart(addon_dir):
    if addon_package.impl_from_env() != "compiled":
        pytest.skip("the restart test is for the compiled modules")
    if not PROGRAM.exists():
        pytest.skip(f"no embedding test host at {PROGRAM} (the build found no embeddable Python)")
    env = dict(os.environ)
    if sys.warnoptions:  # the embedded interpreter takes the same warning options as this one
        env["PYTHONWARNINGS"] = ",".join(sys.warnoptions)
    run = subprocess.run([str(PROGRAM), str(ROUNDS), str(SCRIPT), str(addon_dir), str(addon_package.HOST),
                          str(FAKE_WX)], capture_output=True, text=True, env=env, timeout=300)
    expected = [f"round {n}: Fettler, FettleGUI" for n in range(1, ROUNDS + 1)]
    if sys.version_info >= (3, 12):
        expected.append("round subinterpreter: Fettler, FettleGUI")
    assert (run.returncode, run.stdout.splitlines()) == (0, expected), run.stderr
