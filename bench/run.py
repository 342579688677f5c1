"""Benchmark: the compiled modules `fettler` and `gui.main` against their
plain-Python rendering (reference/), side by side in one process.

Two add-on packages are assembled in a temporary folder (sides.py, through
tools/addon_package.py), `fettle_compiled` (the built extension modules)
and `fettle_plain` (reference/*.py), each with the stand-ins of
standins/ in their instant, quiet mode (FETTLE_STANDINS=instant):
announcements and the clipboard do nothing and the back-ends hand out
prepared data at next to no cost, so what is timed is the modules' own
work.

Every case runs both implementations in alternation (compiled first on
even samples, plain first on odd ones) after a warm-up, on Python's
perf_counter_ns with the garbage collector off inside the timed region.
Small operations are timed in batches (timeit's loop, its per-iteration
overhead included for both and printed in the header).  Each row gives
the median and the interquartile range of both and their ratio
compiled/plain (below 1.0: compiled is faster).  The dialog cases use the
real wx dialog (run under Xvfb); where a case shadows wx parts that are not
ours (the text control, the dialog's `update`), its description says so.
The table and the growth figures are printed and written as JSON.

Usage:
  xvfb-run -a -s "-screen 0 1280x1024x24" /usr/bin/python3 bench/run.py \
      [--build DIR] [--json PATH] [--quick] [--only TEXT ...]

DIR holds the built modules (fettler.*.so and gui/main.*.so); default
$FETTLE_ADDON_BUILD, else <repo>/build-release/addon, else <repo>/build/addon.
PATH defaults to bench.json in the build folder (the parent of DIR).
--quick takes fewer samples (for trying the program out; its figures are
rough).  --only runs the cases whose id contains one of the given texts.

The parts: sides.py (the two packages and what drives them), texts.py (the
texts checked), runner.py (sampling and recording), figures.py (statistics
and formatting), cases/ (the families: engine, errors, output, fix_all,
imports), growth.py (how costs grow with size), report.py (the printout).
"""
import argparse
import importlib
import json
import os
import platform
import sys
import tempfile
import time
import timeit
from pathlib import Path

# Before any stand-in is imported, here and in the import probes' fresh
# interpreters (they inherit the environment).
os.environ["FETTLE_STANDINS"] = "instant"

from cases import engine_cases, errors_cases, fix_all_cases, import_cases, import_probe  # noqa: E402
from cases import output_cases  # noqa: E402
from report import print_report  # noqa: E402
from runner import Bench, clock  # noqa: E402
from sides import IMPLS, REPO, Side, assemble  # noqa: E402


def default_build():
    if os.environ.get("FETTLE_ADDON_BUILD"):
        return Path(os.environ["FETTLE_ADDON_BUILD"])
    release = REPO / "build-release" / "addon"
    return release if release.exists() else REPO / "build" / "addon"


def build_type(build):
    cache = build.parent / "CMakeCache.txt"
    if not cache.exists():
        return "unknown"
    for line in cache.read_text(errors="replace").splitlines():
        if line.startswith("CMAKE_BUILD_TYPE:"):
            return line.split("=", 1)[1] or "(none)"
    return "unknown"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", type=Path, default=None)
    parser.add_argument("--json", type=Path, default=None)
    parser.add_argument("--quick", action="store_true")
    parser.add_argument("--only", nargs="*", default=[])
    parser.add_argument("--import-probe", nargs=2, metavar=("ROOT", "PACKAGE"), help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.import_probe:
        import_probe(*args.import_probe)
        return
    if not os.environ.get("DISPLAY") and not os.environ.get("WAYLAND_DISPLAY"):
        sys.exit('bench: the dialog cases need a display: run under xvfb-run -a -s "-screen 0 1280x1024x24"')
    build = (args.build or default_build()).resolve()
    args.json = args.json or build.parent / "bench.json"
    bench = Bench(args.quick, args.only)
    with tempfile.TemporaryDirectory(prefix="fettle-bench-") as tmp:
        root = Path(tmp)
        assemble(root, build)
        import wx
        app = wx.App(False)
        gui = importlib.import_module("gui")
        gui.mainFrame = gui.MainFrame()
        sides = {impl: Side(impl, gui.mainFrame) for impl in IMPLS}
        overhead = timeit.Timer("pass", timer=clock)
        loop_overhead = min(overhead.timeit(100_000) for _ in range(5)) / 100_000
        meta = {"python": platform.python_version(), "wx": wx.version(), "machine": platform.machine(),
                "platform": platform.platform(), "cpus": os.cpu_count(), "build_dir": str(build),
                "build_type": build_type(build), "loop_overhead_ns": loop_overhead, "quick": args.quick,
                "date": time.strftime("%Y-%m-%d %H:%M:%S")}
        print(f"bench: modules from {build} ({meta['build_type']}); timing...", file=sys.stderr)
        engine_cases(bench, sides)
        errors_cases(bench, sides)
        output_cases(bench, sides)
        fix_all_cases(bench, sides, wx)
        import_cases(bench, root)
        for side in sides.values():
            side.dialog.Destroy()
        gui.mainFrame.Destroy()
        wx.Yield()
        del app
    meta["seconds"] = round(time.monotonic() - bench.started, 1)
    print_report(bench, meta)
    args.json.parent.mkdir(parents=True, exist_ok=True)
    args.json.write_text(json.dumps({"meta": meta, "cases": bench.cases, "growth": bench.growth}, indent=1,
                                    ensure_ascii=False) + "\n")
    print(f"\nwritten: {args.json} ({meta['seconds']} s)")


if __name__ == "__main__":
    main()
