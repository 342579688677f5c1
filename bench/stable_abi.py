"""Benchmark of the Stable-ABI build: the modules built with FETTLE_ABI3
against the version-specific build, both made for and run on the same
newer interpreter (pyenv's 3.12), with the plain-Python rendering beside
them for scale.

There is no wxPython for that interpreter, so the dialog module is imported
against standins/fake_wx and its `errors` and `output` run on a stand-in
dialog (bench/cases/stand_in.py); the engine cases are those of the main
benchmark (run.py).  Not here: the fix-all runs through the real dialog and
the import times.  The three implementations take turns as in the main
benchmark; the ratio is abi3 / default (above 1.0: the Stable-ABI build is
slower).

Usage:
  python3.12 bench/stable_abi.py --abi3 DIR --default DIR [--json PATH]
      [--beside MAIN_JSON] [--quick] [--only TEXT ...]

DIR: the folder of the built modules of each build.  MAIN_JSON: the main
benchmark's results (bench.json of run.py, on Debian's 3.11 with wx); its
compiled and plain medians are printed beside these for the same cases.
"""
import argparse
import json
import os
import platform
import sys
import tempfile
import time
from pathlib import Path

os.environ["FETTLE_STANDINS"] = "instant"

from cases import engine_cases, stand_in_errors_cases, stand_in_output_cases  # noqa: E402
from figures import cell, fmt  # noqa: E402
from runner import Bench  # noqa: E402
from sides import REPO, EngineSide, addon_package  # noqa: E402

# (package, implementation, build option)
SIDES = {"default": ("fettle_default", "compiled", "default"), "abi3": ("fettle_abi3", "compiled", "abi3"),
         "plain": ("fettle_plain", "reference", None)}


def assemble(root, builds):
    for package, impl, build in SIDES.values():
        try:
            addon_package.assemble(root, package, impl, builds.get(build))
        except addon_package.MissingModule as error:
            sys.exit(f"bench: {error}")
    for build in builds.values():
        found = addon_package.module_file("fettler", "compiled", build)
        print(f"bench: {found}", file=sys.stderr)
    addon_package.put_on_path(root)
    sys.path.insert(0, str(REPO / "standins" / "fake_wx"))


def print_report(bench, meta, beside):
    out = [f"fettle benchmark, Stable-ABI build: Python {meta['python']} ({meta['machine']}, {meta['cpus']} CPUs), "
           "no wxPython (dialog cases on a stand-in dialog)",
           f"default: {meta['builds']['default']}",
           f"abi3:    {meta['builds']['abi3']}",
           "Figures: median [interquartile range]; abi3/default = ratio of the medians (above 1.0: the Stable-ABI "
           "build is slower); IQR: whether the two ranges are apart or overlap."]
    if beside:
        out.append(f"3.11 columns: the main benchmark on Python {beside['meta']['python']} with wx "
                   f"(compiled = the default build for 3.11; real dialog).")
    out.append("")
    header = (f"{'case':<32} {'default 3.12':>24} {'abi3 3.12':>24} {'abi3/def':>8}  {'IQR':<8} "
              f"{'plain 3.12':>11}")
    if beside:
        header += f" {'compiled 3.11':>13} {'plain 3.11':>11}"
    out.append(header)
    out.append("-" * len(header))
    main_cases = {case["id"]: case for case in beside["cases"]} if beside else {}
    for case in bench.cases:
        line = (f"{case['id']:<32} {cell(case['default']):>24} {cell(case['abi3']):>24} {case['ratio']:>8.3f}  "
                f"{case['spreads_apart']:<8} {fmt(case['plain']['median']):>11}")
        if beside:
            other = main_cases.get(case["id"])
            line += (f" {fmt(other['compiled']['median']):>13} {fmt(other['plain']['median']):>11}" if other
                     else f" {'-':>13} {'-':>11}")
        out.append(line)
    out.append("")
    out.append("What each case includes:")
    for case in bench.cases:
        out.append(f"- {case['id']}: {case['title']}: {case['includes']}")
    print("\n".join(out))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--abi3", type=Path, required=True)
    parser.add_argument("--default", type=Path, required=True)
    parser.add_argument("--json", type=Path, default=None)
    parser.add_argument("--beside", type=Path, default=None)
    parser.add_argument("--quick", action="store_true")
    parser.add_argument("--only", nargs="*", default=[])
    args = parser.parse_args()
    builds = {"default": args.default.resolve(), "abi3": args.abi3.resolve()}
    beside = json.loads(args.beside.read_text()) if args.beside and args.beside.exists() else None
    bench = Bench(args.quick, args.only, impls=tuple(SIDES), ratio=("abi3", ("default",)))
    with tempfile.TemporaryDirectory(prefix="fettle-bench-abi3-") as tmp:
        assemble(Path(tmp), builds)
        sides = {impl: EngineSide(impl, package) for impl, (package, _, _) in SIDES.items()}
        meta = {"python": platform.python_version(), "machine": platform.machine(), "cpus": os.cpu_count(),
                "builds": {name: str(path) for name, path in builds.items()}, "quick": args.quick,
                "date": time.strftime("%Y-%m-%d %H:%M:%S")}
        print("bench: timing...", file=sys.stderr)
        engine_cases(bench, sides)
        stand_in_errors_cases(bench, sides)
        stand_in_output_cases(bench, sides)
    meta["seconds"] = round(time.monotonic() - bench.started, 1)
    print_report(bench, meta, beside)
    json_path = args.json or args.abi3.resolve().parent / "bench.json"
    json_path.parent.mkdir(parents=True, exist_ok=True)
    json_path.write_text(json.dumps({"meta": meta, "cases": bench.cases}, indent=1, ensure_ascii=False) + "\n")
    print(f"\nwritten: {json_path} ({meta['seconds']} s)")


if __name__ == "__main__":
    main()
