"""The package assembler: which built files it takes, and packages side by side."""
import importlib
import importlib.machinery

import pytest

import addon_package  # on sys.path through tests/conftest.py

OURS = importlib.machinery.EXTENSION_SUFFIXES


def test_extension_names_importable_first(tmp_path):
    others = ["fettler.cpython-39-x86_64-linux-gnu.so", "fettler.cp39-win_amd64.pyd", "fettler_d.pyd"]
    unrelated = ["fettlerx.so", "fettler.py", "fettler.so.1", "main.abi3.so", "fettler.a.b.so"]
    for name in others + unrelated + ["fettler" + suffix for suffix in OURS]:
        (tmp_path / name).touch()
    (tmp_path / "fettler.pyd").mkdir()  # not a file
    found = [p.name for p in addon_package.extension_files(tmp_path, "fettler")]
    ours = ["fettler" + suffix for suffix in OURS if suffix != ".pyd"]
    assert found == ours + sorted(set(others) - set(ours))


@pytest.mark.parametrize("impl, hint", [
    ("compiled", "no built module in {0}: run `make build` first (or point FETTLE_ADDON_BUILD at the folder of the "
                 "built modules)"),
    ("cython", "no Cython peer in {0}: run `scripts/cython-peers {0}` first"),
])
def test_missing_module_is_named(tmp_path, impl, hint):
    with pytest.raises(addon_package.MissingModule) as caught:
        addon_package.assemble(tmp_path, "pkg", impl, tmp_path / "nothing")
    assert str(caught.value) == "module `fettler`, `gui.main` not found: " + hint.format(tmp_path / "nothing")
    assert not (tmp_path / "pkg").exists()


def test_two_packages_side_by_side(addon_dir):
    for name in ("fettle_side_a", "fettle_side_b"):
        package = addon_package.assemble(addon_dir, name, "reference", stubs=True)
        assert {p.name for p in package.glob("**/*.py*") if "fettler" in p.name or "main" in p.name} == {
            "fettler.py", "fettler.pyi", "main.py", "main.pyi"}
    importlib.invalidate_caches()
    a, b = (importlib.import_module(f"fettle_side_{x}.gui.main") for x in "ab")
    assert a.Fettler is not b.Fettler
    assert a.Fettler is importlib.import_module("fettle_side_a.fettler").Fettler
    assert importlib.import_module("fettle_side_a._recorder") is not importlib.import_module("fettle_side_b._recorder")
