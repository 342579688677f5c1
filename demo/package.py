"""Assembles the demo add-on package and imports the two modules from it.

The package is made in a temporary folder as ``fettle_demo_addon``: the
companion modules of ``demo/addon`` plus the two modules under demonstration,
laid out as in the host (``fettler`` at the top, ``main`` in ``gui/``), with
their type stubs beside them (tools/addon_package.py does it).  The modules
are the built extensions from ``build/addon`` (``FETTLE_ADDON_BUILD`` names
another folder), or, with ``FETTLE_IMPL=reference``, the plain-Python
rendering in ``reference/``.
"""
import atexit
import importlib
import shutil
import sys
import tempfile
from pathlib import Path

REPO = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(REPO / "tools"))
import addon_package  # noqa: E402 - found through the line above

PACKAGE = "fettle_demo_addon"
# Shared with the test stand-ins rather than written twice.
CORRECT = "language_tool_python/_correct.py"


def assemble():
    """Make the package, put it and the host's modules on sys.path and
    import the engine and the dialog; returns the package module."""
    try:
        impl = addon_package.impl_from_env()
    except ValueError as error:
        raise SystemExit(str(error)) from None
    root = Path(tempfile.mkdtemp(prefix="fettle-demo-"))
    atexit.register(shutil.rmtree, root, ignore_errors=True)
    try:
        addon_package.assemble(root, PACKAGE, impl, companions=REPO / "demo" / "addon", stubs=True,
                                extra=[(addon_package.COMPANIONS / CORRECT, CORRECT)])
    except addon_package.MissingModule as error:
        raise SystemExit(f"{error} (or set FETTLE_IMPL=reference)") from None
    addon_package.put_on_path(root)
    importlib.import_module(PACKAGE + ".fettler")
    importlib.import_module(PACKAGE + ".gui.main")
    return importlib.import_module(PACKAGE)
