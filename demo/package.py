"""Assembles the demo add-on package and imports the two modules from it.

The package is made in a temporary folder as ``fettle_demo_addon``: the
companion modules of ``demo/addon`` plus the two modules under demonstration,
laid out as in the host (``fettler`` at the top, ``main`` in ``gui/``), with
their type stubs beside them.  The modules are the built extensions from
``build/addon`` (``FETTLE_ADDON_BUILD`` names another folder), or, with
``FETTLE_IMPL=baseline``, the plain-Python rendering in ``bench/baseline``.
"""
import atexit
import importlib
import importlib.machinery
import os
import shutil
import sys
import tempfile
from pathlib import Path

REPO = Path(__file__).resolve().parent.parent
PACKAGE = "fettle_demo_addon"


def module_files():
    """(engine file, dialog file) of the chosen implementation."""
    impl = os.environ.get("FETTLE_IMPL", "compiled")
    if impl == "baseline":
        base = REPO / "bench" / "baseline"
        files = base / "fettler.py", base / "gui" / "main.py"
    elif impl == "compiled":
        build = Path(os.environ.get("FETTLE_ADDON_BUILD", REPO / "build" / "addon"))
        suffix = importlib.machinery.EXTENSION_SUFFIXES[0]
        files = build / ("fettler" + suffix), build / "gui" / ("main" + suffix)
    else:
        raise SystemExit(f"FETTLE_IMPL must be 'compiled' or 'baseline', not {impl!r}")
    missing = [str(f) for f in files if not f.is_file()]
    if missing:
        raise SystemExit("missing: " + ", ".join(missing)
                         + " (run `make build`, or set FETTLE_IMPL=baseline)")
    return files


def assemble():
    """Make the package, put it and the host's modules on sys.path and
    import the engine and the dialog; returns the package module."""
    engine, dialog = module_files()
    root = Path(tempfile.mkdtemp(prefix="fettle-demo-"))
    atexit.register(shutil.rmtree, root, ignore_errors=True)
    package = root / PACKAGE
    shutil.copytree(REPO / "demo" / "addon", package,
                    ignore=shutil.ignore_patterns("__pycache__"))
    shutil.copy2(engine, package / engine.name)
    shutil.copy2(dialog, package / "gui" / dialog.name)
    shutil.copy2(REPO / "stubs" / "fettler.pyi", package)
    shutil.copy2(REPO / "stubs" / "gui" / "main.pyi", package / "gui")
    sys.path[:0] = [str(root), str(REPO / "standins" / "host")]
    importlib.import_module(PACKAGE + ".fettler")
    importlib.import_module(PACKAGE + ".gui.main")
    return importlib.import_module(PACKAGE)
