"""Instructions per call of the engine's members for the compiled modules
and both peers, counted by valgrind's callgrind (exact and repeatable where
wall-clock time on a shared machine is not).

Every side and count runs in a fresh interpreter under callgrind, with a
fixed hash seed: the engine case's statement (bench/cases/engine.py, same
names and back-end answers) is warmed up, then run N times by timeit's loop,
and once more with 0 times; the difference over N is one call, timeit's
loop step included as in the timed cases (the step alone, `pass`, is
printed for scale).  gui.main is imported against standins/fake_wx: no
display, no wxPython needed.

Usage:
  python3 bench/instructions.py [--build DIR] [--cython CDIR] [--calls N] [--only TEXT ...]

DIR and CDIR as in run.py (default build-release/addon and the `cython`
folder beside it); --only takes the cases whose id contains one of the
texts (default: every engine case).
"""
import argparse
import sys
import timeit
from pathlib import Path

from cases.engine import LOOP, engine_names
from callgrind import assembled_sides, instructions, print_table
from sides import PACKAGES, REPO, EngineSide, addon_package

WARMUP = 200


def probe(root, package, statement, calls):
    """In the interpreter under callgrind: the statement `calls` times, after
    the warm-up."""
    addon_package.put_on_path(Path(root))
    sys.path.insert(0, str(REPO / "standins" / "fake_wx"))
    side = EngineSide(package, package)
    timer = timeit.Timer(statement, globals=engine_names(side))
    timer.timeit(WARMUP)
    timer.timeit(calls)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", type=Path, default=REPO / "build-release" / "addon")
    parser.add_argument("--cython", type=Path, default=None)
    parser.add_argument("--calls", type=int, default=2000)
    parser.add_argument("--only", nargs="*", default=[])
    parser.add_argument("--probe", nargs=4, help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.probe:
        root, package, statement, calls = args.probe
        probe(root, package, statement, int(calls))
        return
    statements = {case_id: statement for case_id, _, _, statement in LOOP
                  if not args.only or any(text in case_id for text in args.only)}
    with assembled_sides(args.build, args.cython, "instructions") as root:
        out = root / "callgrind.out"

        def per_call(package, statement):
            def count(calls):
                return instructions(["valgrind"], __file__, [root, package, statement, calls], out)
            return (count(args.calls) - count(0)) / args.calls

        step = per_call(PACKAGES["plain"], "pass")
        print(f"Python {sys.version.split()[0]}; instructions per call (callgrind, {args.calls} calls); "
              f"timeit's loop step included: {step:.0f}")
        print_table(statements, lambda package, case_id: per_call(package, statements[case_id]), 32, 8)

if __name__ == "__main__":
    main()
