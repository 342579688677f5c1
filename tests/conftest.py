"""Assembles the add-on package the tests import, as the host would see it.

The companion stand-ins (standins/companions) are copied into a temporary
folder as the package `fettle_addon`; the modules under test go beside
them: the built extension modules (FETTLE_IMPL=compiled, the default, taken
from FETTLE_ADDON_BUILD or <repo>/build/addon) or the plain-Python
renderings in bench/baseline (FETTLE_IMPL=baseline).  The modules are then
imported through the package, so their relative imports run for real.
"""
import importlib
import os
import shutil
import sys
from pathlib import Path

import pytest

REPO = Path(__file__).resolve().parent.parent
PACKAGE = "fettle_addon"
IMPL = os.environ.get("FETTLE_IMPL", "compiled")
BUILD = Path(os.environ.get("FETTLE_ADDON_BUILD") or REPO / "build" / "addon")


def _module_sources():
    """(source file, place in the package) for fettler and gui/main; the
    dialog module may be absent."""
    if IMPL == "baseline":
        base = REPO / "bench" / "baseline"
        found = [(base / "fettler.py", Path("fettler.py")), (base / "gui" / "main.py", Path("gui/main.py"))]
        return [(src, dst) for src, dst in found if src.exists()], base / "fettler.py"
    if IMPL != "compiled":
        pytest.exit(f"FETTLE_IMPL must be 'compiled' or 'baseline', not {IMPL!r}", returncode=4)
    found = []
    for pattern, where in (("fettler.*.so", Path()), ("fettler.*.pyd", Path()),
                           ("gui/main.*.so", Path("gui")), ("gui/main.*.pyd", Path("gui"))):
        found += [(src, where / src.name) for src in sorted(BUILD.glob(pattern))]
    return found, BUILD / "fettler<extension suffix>"


def pytest_report_header(config):
    return f"fettle: FETTLE_IMPL={IMPL}" + (f", modules from {BUILD}" if IMPL == "compiled" else "")


@pytest.fixture(scope="session")
def addon_dir(tmp_path_factory):
    """The temporary folder on sys.path that holds the package `fettle_addon`."""
    sources, required = _module_sources()
    if not any(dst.name.startswith("fettler") for _, dst in sources):
        hint = ("run `make build` first (or point FETTLE_ADDON_BUILD at the folder of the built modules)"
                if IMPL == "compiled" else "bench/baseline/fettler.py is missing")
        pytest.exit(f"module `fettler` not found at {required}: {hint}", returncode=4)
    root = tmp_path_factory.mktemp("addon")
    package = root / PACKAGE
    shutil.copytree(REPO / "standins" / "companions", package,
                    ignore=shutil.ignore_patterns("__pycache__"))
    for src, dst in sources:
        (package / dst).parent.mkdir(parents=True, exist_ok=True)
        shutil.copy2(src, package / dst)
    sys.path.insert(0, str(REPO / "standins" / "host"))
    sys.path.insert(0, str(root))
    importlib.invalidate_caches()
    return root


@pytest.fixture(scope="session")
def package_dir(addon_dir):
    """The folder of the package `fettle_addon` itself."""
    return addon_dir / PACKAGE


@pytest.fixture(scope="session")
def fettler_module(addon_dir):
    return importlib.import_module(f"{PACKAGE}.fettler")


@pytest.fixture(scope="session")
def gui_main_module(addon_dir):
    if not list((addon_dir / PACKAGE / "gui").glob("main.*")):
        pytest.fail("module `gui.main` not found: "
                    + ("run `make build` first" if IMPL == "compiled" else "bench/baseline/gui/main.py is missing"),
                    pytrace=False)
    return importlib.import_module(f"{PACKAGE}.gui.main")


@pytest.fixture(autouse=True)
def _fresh_fakes():
    """Every test starts with an empty call log and unprogrammed fakes."""
    recorder = sys.modules.get(f"{PACKAGE}._recorder")
    if recorder is not None:
        recorder.recorder.reset()
    yield


@pytest.fixture
def fakes(addon_dir):
    """The companion stand-ins' recorder: `program(name, value, raises=, call=)`,
    `calls`, `names()`, `of(name)`."""
    recorder = importlib.import_module(f"{PACKAGE}._recorder").recorder
    recorder.reset()
    return recorder


@pytest.fixture
def companions(addon_dir):
    """The companion stand-in modules, by the names the engine imports them."""
    names = ("config", "types", "autocorrect", "autocorrect.types", "language_tool_python",
             "language_tool_python.types", "language_tool_python.utils")
    return {name: importlib.import_module(f"{PACKAGE}.{name}") for name in names}
