"""Instructions per call of the dialog's `errors` and `output` for the
compiled modules and both peers, on the stand-in dialog of
bench/cases/stand_in.py, counted by valgrind's callgrind.

Each side, case and count runs in a fresh interpreter under callgrind with
a fixed hash seed.  `errors`: the property's getter N times against 0
times.  `output`: N rounds of putting the text and matches back and fixing
one error, against N rounds of putting them back alone; the difference over
N is one call (freeing the text the previous fix made is counted with it).
gui.main is imported against standins/fake_wx: no display, no wxPython.

Usage:
  python3 bench/dialog_instructions.py [--build DIR] [--cython CDIR] [--calls N] [--only TEXT ...]
      [--valgrind CMD]

DIR and CDIR as in run.py; CMD is the valgrind to run (default `valgrind`).
"""
import argparse
import shlex
import sys
from pathlib import Path

from callgrind import assembled_sides, instructions, print_table
from sides import REPO, EngineSide, addon_package
from texts import make_text

# case id -> (what, size or place)
CASES = {"dialog.errors.10": ("errors", 10), "dialog.errors.1000": ("errors", 1_000),
         "dialog.output.1000KB.front": ("output", "front"), "dialog.output.1000KB.middle": ("output", "middle"),
         "dialog.output.1000KB.end": ("output", "end")}
ERROR_CHARS = {10: 1_000, 1_000: 100_000}


def probe(root, package, case_id, calls, fix):
    """In the interpreter under callgrind."""
    addon_package.put_on_path(Path(root))
    sys.path.insert(0, str(REPO / "standins" / "fake_wx"))
    from cases.stand_in import dialogs, show
    side = EngineSide(package, package)
    dialog = dialogs({package: side})[package]
    what, which = CASES[case_id]
    if what == "errors":
        text, found = make_text(ERROR_CHARS[which], which, seed=which, single=False)
        side.engine.text = text
        side.engine.matches = side.matches(text, found)
        errors = side.FettleGUI.errors.fget
        for _ in range(calls if fix else 0):
            errors(dialog)
        return
    chars, count = 1_000_000, 10_000
    text, found = make_text(chars, count, seed=chars, single=True)
    side.found = found
    side.fixture = side.matches(text, found)
    side.load(text, side.fixture)
    show(side, dialog)
    index = {"front": 0, "middle": count // 2, "end": count - 1}[which]
    output, replacement = side.FettleGUI.output, found[index][3][0]
    for _ in range(calls):
        side.load(text, side.fixture)
        dialog.errors_control.SetSelection(index)
        if fix:
            output(dialog, replacement)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", type=Path, default=REPO / "build-release" / "addon")
    parser.add_argument("--cython", type=Path, default=None)
    parser.add_argument("--calls", type=int, default=10)
    parser.add_argument("--only", nargs="*", default=[])
    parser.add_argument("--valgrind", default="valgrind")
    parser.add_argument("--probe", nargs=5, help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.probe:
        root, package, case_id, calls, fix = args.probe
        probe(root, package, case_id, int(calls), fix == "1")
        return
    cases = [case_id for case_id in CASES if not args.only or any(text in case_id for text in args.only)]
    valgrind = shlex.split(args.valgrind)
    with assembled_sides(args.build, args.cython, "dialog_instructions") as root:
        out = root / "callgrind.out"

        def per_call(package, case_id):
            errors = CASES[case_id][0] == "errors"
            calls = args.calls * (100 if errors else 1)

            def count(fix):
                return instructions(valgrind, __file__, [root, package, case_id, calls, int(fix)], out)
            # errors: N calls against none; output: N rounds with the fix against N without.
            return (count(True) - count(False)) / calls

        print(f"Python {sys.version.split()[0]}; instructions per call (callgrind)")
        print_table(cases, per_call, 30, 11)

if __name__ == "__main__":
    main()
