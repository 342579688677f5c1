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
import os
import re
import subprocess
import sys
import tempfile
import timeit
from pathlib import Path

from cases.engine import LOOP, engine_names
from sides import IMPL_OF, IMPLS, PACKAGES, REPO, EngineSide, addon_package

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


def count(root, package, statement, calls, out):
    # The same hash seed and no bytecode written: both runs do the same work
    # up to the calls.
    env = dict(os.environ, PYTHONHASHSEED="0", PYTHONDONTWRITEBYTECODE="1", FETTLE_STANDINS="instant")
    subprocess.run(["valgrind", "--tool=callgrind", f"--callgrind-out-file={out}", sys.executable,
                    __file__, "--probe", str(root), package, statement, str(calls)],
                   env=env, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    found = re.search(r"^(?:summary|totals): (\d+)", Path(out).read_text(), re.M)
    return int(found.group(1))


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
    build = args.build.resolve()
    folders = {"compiled": build, "cython": (args.cython or build.parent / "cython").resolve(), "plain": None}
    cases = [(case_id, statement) for case_id, _, _, statement in LOOP
             if not args.only or any(text in case_id for text in args.only)]
    with tempfile.TemporaryDirectory(prefix="fettle-instructions-") as tmp:
        root = Path(tmp)
        for impl in IMPLS:
            try:
                addon_package.assemble(root, PACKAGES[impl], IMPL_OF[impl], folders[impl])
            except addon_package.MissingModule as error:
                sys.exit(f"instructions: {error}")
        out = root / "callgrind.out"

        def per_call(package, statement):
            zero = count(root, package, statement, 0, out)
            return (count(root, package, statement, args.calls, out) - zero) / args.calls

        step = per_call(PACKAGES["plain"], "pass")
        print(f"Python {sys.version.split()[0]}; instructions per call (callgrind, {args.calls} calls); "
              f"timeit's loop step included: {step:.0f}")
        print(f"{'case':<32} {'plain':>8} {'cython':>8} {'compiled':>8} {'compiled/faster peer':>21}")
        for case_id, statement in cases:
            figures = {impl: per_call(PACKAGES[impl], statement) for impl in IMPLS}
            peer = min(figures["plain"], figures["cython"])
            print(f"{case_id:<32} {figures['plain']:>8.0f} {figures['cython']:>8.0f} {figures['compiled']:>8.0f} "
                  f"{figures['compiled'] / peer:>21.3f}", flush=True)


if __name__ == "__main__":
    main()
