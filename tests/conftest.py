"""Assembles the add-on package the tests import, as the host would see it.

The companion stand-ins (standins/companions) are copied into a temporary
folder as the package `fettle_addon` (tools/addon_package.py does it); the
modules under test go beside them: the built extension modules
(FETTLE_IMPL=compiled, the default, taken from FETTLE_ADDON_BUILD or
<repo>/build/addon) or the plain-Python rendering in reference/
(FETTLE_IMPL=reference).  The modules are then imported through the
package, so their relative imports run for real.

A second package, `fettle_reference_addon`, holds the reference rendering
beside the modules under test for tests that compare the two
(`reference_fettler_module`, `reference_gui_main_module`); it has its own
copy of the stand-ins, so its fakes are programmed through
`reference_fakes`.
"""
import importlib
import sys
from pathlib import Path

import pytest

REPO = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(REPO / "tools"))
import addon_package  # noqa: E402 - found through the line above

PACKAGE = "fettle_addon"
REFERENCE_PACKAGE = "fettle_reference_addon"
IMPL = "compiled"
BUILD = addon_package.default_build()


def pytest_configure(config):
    global IMPL
    try:
        IMPL = addon_package.impl_from_env()
    except ValueError as error:
        raise pytest.UsageError(str(error)) from None


def pytest_report_header(config):
    return f"fettle: FETTLE_IMPL={IMPL}" + (f", modules from {BUILD}" if IMPL == "compiled" else "")


def _assemble(root, name, impl):
    try:
        addon_package.assemble(root, name, impl, BUILD, require=("fettler",))
    except addon_package.MissingModule as error:
        pytest.exit(str(error), returncode=4)
    addon_package.put_on_path(root)


@pytest.fixture(scope="session")
def addon_dir(tmp_path_factory):
    """The temporary folder on sys.path that holds the package `fettle_addon`."""
    root = tmp_path_factory.mktemp("addon")
    _assemble(root, PACKAGE, IMPL)
    return root


@pytest.fixture(scope="session")
def package_dir(addon_dir):
    """The folder of the package `fettle_addon` itself."""
    return addon_dir / PACKAGE


@pytest.fixture(scope="session")
def fettler_module(addon_dir):
    return importlib.import_module(f"{PACKAGE}.fettler")


def _gui_main(package):
    if not list((package / "gui").glob("main.*")):
        pytest.fail("module `gui.main` not found: " + addon_package.missing_hint(IMPL, BUILD), pytrace=False)
    return importlib.import_module(f"{package.name}.gui.main")


@pytest.fixture(scope="session")
def gui_main_module(package_dir):
    return _gui_main(package_dir)


@pytest.fixture(scope="session")
def reference_package_dir(addon_dir):
    """The package `fettle_reference_addon`: the reference rendering with
    its own stand-ins, beside `fettle_addon` on sys.path."""
    _assemble(addon_dir, REFERENCE_PACKAGE, "reference")
    return addon_dir / REFERENCE_PACKAGE


@pytest.fixture(scope="session")
def reference_fettler_module(reference_package_dir):
    return importlib.import_module(f"{REFERENCE_PACKAGE}.fettler")


@pytest.fixture(scope="session")
def reference_gui_main_module(reference_package_dir):
    return _gui_main(reference_package_dir)


@pytest.fixture(autouse=True)
def _fresh_fakes():
    """Every test starts with an empty call log and unprogrammed fakes."""
    for package in (PACKAGE, REFERENCE_PACKAGE):
        recorder = sys.modules.get(f"{package}._recorder")
        if recorder is not None:
            recorder.recorder.reset()
    yield


def _recorder(package):
    recorder = importlib.import_module(f"{package}._recorder").recorder
    recorder.reset()
    return recorder


@pytest.fixture
def fakes(addon_dir):
    """The companion stand-ins' recorder: `program(name, value, raises=, call=)`,
    `calls`, `names()`, `of(name)`."""
    return _recorder(PACKAGE)


@pytest.fixture
def reference_fakes(reference_package_dir):
    """The recorder of the stand-ins in `fettle_reference_addon`."""
    return _recorder(REFERENCE_PACKAGE)


def _companions(package):
    names = ("config", "types", "autocorrect", "autocorrect.types", "language_tool_python",
             "language_tool_python.types", "language_tool_python.utils")
    return {name: importlib.import_module(f"{package}.{name}") for name in names}


@pytest.fixture
def companions(addon_dir):
    """The companion stand-in modules, by the names the engine imports them."""
    return _companions(PACKAGE)


@pytest.fixture
def reference_companions(reference_package_dir):
    """The companion stand-ins of `fettle_reference_addon` (its own enums,
    `Config` and `Match`: the reference modules compare against these)."""
    return _companions(REFERENCE_PACKAGE)
