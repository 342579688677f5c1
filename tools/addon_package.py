"""Assembles an add-on package the way the host lays it out.

The tests, the demo and the benchmark all import the two modules through a
package of their own, so that the modules' relative imports of the add-on's
companions run for real:

    <root>/<name>/            a copy of a companions tree (the stand-ins by default)
    <root>/<name>/fettler...  the engine module
    <root>/<name>/gui/main... the dialog module

The modules are either the compiled ones, found in a build folder under any
name an interpreter loads extension modules by (``fettler.cpython-311-x86_64-
linux-gnu.so``, ``fettler.abi3.so``, ``fettler.so``, ``fettler.cp311-win_amd64.pyd``,
``fettler.pyd``, ...), or the plain-Python rendering in ``reference/``, or
that rendering compiled with Cython (``scripts/cython-peers``, for the
benchmark only: impl "cython", found like the compiled ones in a folder of
their own).  A Cython module takes its package from the ModuleSpec it is loaded
by, so its relative imports resolve in whatever package it is put in; but it
is made once per process (a second package's import of it gives the module
of the first), and it also enters itself in ``sys.modules`` under the name
it was translated as (``fettler``, ``gui.main``) when that is free.

Several packages can live side by side in one process under different names
(the benchmark times the compiled and the reference modules against each
other; a differential test runs both on the same input)::

    from addon_package import assemble, put_on_path
    compiled = assemble(root, "fettle_compiled", "compiled", build)
    reference = assemble(root, "fettle_reference", "reference")
    put_on_path(root)
    importlib.import_module("fettle_compiled.fettler")
    importlib.import_module("fettle_reference.gui.main")

Each package holds its own copy of the companions, so module-level state in
them (the stand-ins' call recorder, the chooser's hooks) is per package;
the host stand-ins (`gui`, `ui`, `api`, `hostjournal`) are top-level
modules shared by all packages in the process.

Run as a script it assembles one package and prints its path.
"""
import argparse
import importlib
import importlib.machinery
import os
import re
import shutil
import sys
from pathlib import Path

REPO = Path(__file__).resolve().parent.parent
REFERENCE = REPO / "reference"
STANDINS = REPO / "standins"
COMPANIONS = STANDINS / "companions"
HOST = STANDINS / "host"
STUBS = REPO / "stubs"

IMPLS = ("compiled", "reference")
# What a package can be assembled from: the implementations above, and the
# benchmark's Cython peers.
KINDS = IMPLS + ("cython",)
# Older spelling of FETTLE_IMPL=reference, from when the rendering lived in
# the benchmark's folder.
ALIASES = {"baseline": "reference"}

# Where each module goes in the package, and its file stem there.
MODULES = {"fettler": (Path(), "fettler"), "gui.main": (Path("gui"), "main")}

# `<stem>[_d][.<tag>].so|.pyd`: every name CPython's extension finder tries
# on some platform (the tag is a cpython-3XY-..., abi3 or cp3XY-... one).
_EXTENSION = r"(_d)?(\.[A-Za-z0-9_-]+)?\.(so|pyd)"


class MissingModule(LookupError):
    """A module the package needs was not found."""


def impl_from_env(environ=os.environ):
    """The implementation FETTLE_IMPL names ('compiled' when unset)."""
    impl = environ.get("FETTLE_IMPL") or "compiled"
    impl = ALIASES.get(impl, impl)
    if impl not in IMPLS:
        raise ValueError(f"FETTLE_IMPL must be 'compiled' or 'reference', not {impl!r}")
    return impl


def default_build(environ=os.environ, impl="compiled"):
    """The folder of the built modules: FETTLE_ADDON_BUILD, else build/addon;
    for the Cython peers FETTLE_CYTHON_BUILD, else build-release/cython."""
    if impl == "cython":
        return Path(environ.get("FETTLE_CYTHON_BUILD") or REPO / "build-release" / "cython")
    return Path(environ.get("FETTLE_ADDON_BUILD") or REPO / "build" / "addon")


def extension_files(folder, stem):
    """The extension modules named `stem` in `folder`, those the running
    interpreter can import first (in the order it tries their suffixes),
    then any other (built for another interpreter), sorted by name."""
    folder = Path(folder)
    if not folder.is_dir():
        return []
    pattern = re.compile(re.escape(stem) + _EXTENSION + r"\Z")
    found = {p.name: p for p in folder.iterdir() if pattern.match(p.name) and p.is_file()}
    ours = [found.pop(stem + suffix) for suffix in importlib.machinery.EXTENSION_SUFFIXES
            if stem + suffix in found]
    return ours + [found[name] for name in sorted(found)]


def module_file(module, impl="compiled", build=None):
    """The file of `module` ('fettler' or 'gui.main') for `impl`, or None."""
    where, stem = MODULES[module]
    if impl == "reference":
        path = REFERENCE / where / (stem + ".py")
        return path if path.is_file() else None
    if impl not in KINDS:
        raise ValueError(f"impl must be one of {', '.join(KINDS)}, not {impl!r}")
    found = extension_files(Path(build or default_build(impl=impl)) / where, stem)
    return found[0] if found else None


def missing_hint(impl, build=None):
    if impl == "cython":
        folder = Path(build or default_build(impl=impl))
        return f"no Cython peer in {folder}: run `scripts/cython-peers {folder}` first"
    if impl == "compiled":
        return (f"no built module in {Path(build or default_build())}: run `make build` first "
                "(or point FETTLE_ADDON_BUILD at the folder of the built modules)")
    return f"the reference rendering is incomplete in {REFERENCE}"


def assemble(root, name, impl="compiled", build=None, *, companions=COMPANIONS,
             require=tuple(MODULES), stubs=False, extra=()):
    """Makes the package `name` in the folder `root` and returns its path.

    The package is a copy of `companions` with the modules of `impl` beside
    it; a module named in `require` that is missing raises MissingModule,
    any other one is left out.  With `stubs` the type stubs go beside the
    modules as an installation puts them.  `extra` holds further
    (source file, place in the package) pairs to copy in.  Nothing is
    imported and sys.path is left alone (see put_on_path)."""
    package = Path(root) / name
    files = {module: module_file(module, impl, build) for module in MODULES}
    missing = [module for module in require if files[module] is None]
    if missing:
        raise MissingModule(f"module {', '.join(f'`{m}`' for m in missing)} not found: "
                            + missing_hint(impl, build))
    shutil.copytree(companions, package, ignore=shutil.ignore_patterns("__pycache__"))
    for module, source in files.items():
        if source is None:
            continue
        where, stem = MODULES[module]
        (package / where).mkdir(parents=True, exist_ok=True)
        shutil.copy2(source, package / where / source.name)
        if stubs:
            shutil.copy2(STUBS / where / (stem + ".pyi"), package / where)
    for source, place in extra:
        (package / place).parent.mkdir(parents=True, exist_ok=True)
        shutil.copy2(source, package / place)
    return package


def put_on_path(root, host=HOST):
    """Makes the packages in `root` and the host's modules importable."""
    for folder in (str(host), str(root)):
        if folder not in sys.path:
            sys.path.insert(0, folder)
    importlib.invalidate_caches()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("root", type=Path, help="folder to make the package in")
    parser.add_argument("--name", default="fettle_addon")
    parser.add_argument("--impl", default=None, help="compiled, reference or cython (default: $FETTLE_IMPL)")
    parser.add_argument("--build", type=Path, default=None, help="folder of the built modules")
    parser.add_argument("--companions", type=Path, default=COMPANIONS)
    parser.add_argument("--stubs", action="store_true", help="put the type stubs beside the modules")
    args = parser.parse_args()
    try:
        impl = ALIASES.get(args.impl, args.impl) if args.impl else impl_from_env()
        print(assemble(args.root, args.name, impl, args.build, companions=args.companions, stubs=args.stubs))
    except (ValueError, MissingModule) as error:
        sys.exit(f"addon_package: {error}")


if __name__ == "__main__":
    main()
