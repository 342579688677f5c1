"""Importing the two modules, each sample in a fresh interpreter."""
import importlib
import json
import os
import subprocess
import sys
from pathlib import Path

from runner import clock, in_turn
from sides import IMPLS, PACKAGES, addon_package

RUN = Path(__file__).resolve().parent.parent / "run.py"
# The modules the engine and the dialog import from the package, imported
# before the clock starts.
COMPANIONS = ("config", "types", "autocorrect", "autocorrect.types", "language_tool_python",
              "language_tool_python.types", "language_tool_python.utils", "corrector", "translations",
              "gui", "gui.replacements")


def import_cases(bench, root):
    ids = ("import.fettler", "import.gui.main")
    if not any(bench.wanted(i) for i in ids):
        return
    env = dict(os.environ)
    env.pop("PYTHONDONTWRITEBYTECODE", None)

    def probe(impl):
        done = subprocess.run([sys.executable, str(RUN), "--import-probe", str(root), PACKAGES[impl]],
                              env=env, capture_output=True, text=True, check=True)
        return json.loads(done.stdout.strip().splitlines()[-1])

    for impl in IMPLS:  # writes the reference modules' bytecode cache, as an installed add-on has it
        probe(impl)
    samples = 3 if bench.quick else 12
    result = {i: {impl: [] for impl in IMPLS} for i in ids}
    for n in range(samples):
        for impl in in_turn(n):
            figures = probe(impl)
            result["import.fettler"][impl].append(figures["fettler"])
            result["import.gui.main"][impl].append(figures["gui.main"])
    what = ("fresh interpreter per sample; wx, typing, itertools, the host and companion modules imported "
            "before the clock starts; the reference modules from their bytecode cache")
    bench.record("import.fettler", "import fettler", f"import of the engine module; {what}", "per import",
                 result["import.fettler"])
    bench.record("import.gui.main", "import gui.main",
                 f"import of the dialog module (fettler already imported); {what}", "per import",
                 result["import.gui.main"])


def import_probe(root, package):
    """In the fresh interpreter: imports what the modules need, then times
    their import; prints the figures as JSON."""
    addon_package.put_on_path(root)
    import itertools  # noqa: F401
    import typing  # noqa: F401
    import wx  # noqa: F401
    for name in ("api", "gui", "ui"):
        importlib.import_module(name)
    for name in COMPANIONS:
        importlib.import_module(f"{package}.{name}")
    start = clock()
    importlib.import_module(f"{package}.fettler")
    middle = clock()
    importlib.import_module(f"{package}.gui.main")
    end = clock()
    print(json.dumps({"fettler": middle - start, "gui.main": end - middle}))
