"""The results of bench/run.py on several interpreters in one table: per
case and interpreter the medians of plain Python, Cython and the compiled
modules, and compiled over the faster peer (each interpreter's figures come
from its own interleaved run; a case or a side missing from a run shows as
-: the free-threaded run has the engine cases alone and may have no Cython
peer).

Usage:
  python3 bench/peers.py BENCH_JSON [BENCH_JSON ...]
"""
import argparse
import json
import sys
from pathlib import Path

from figures import fmt

COLUMNS = ("plain", "cython", "compiled")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("results", type=Path, nargs="+")
    args = parser.parse_args()
    runs = []
    for path in args.results:
        if not path.exists():
            print(f"peers: no results in {path}", file=sys.stderr)
            continue
        run = json.loads(path.read_text())
        if "cython" not in run["meta"]:
            print(f"peers: {path} has no Cython column (an older run)", file=sys.stderr)
            continue
        runs.append(run)
    if not runs:
        sys.exit("peers: nothing to show")
    ids = list(dict.fromkeys(case["id"] for run in runs for case in run["cases"]))
    by_id = [{case["id"]: case for case in run["cases"]} for run in runs]
    out = ["ours/peer: the compiled modules' median over the faster peer's (below 1.0: faster than both); "
           "* marks the faster peer",
           ""]
    head = f"{'case':<32}"
    for run in runs:
        label = (f"Python {run['meta']['python']}" + ("t" if run["meta"].get("free_threaded") else "")
                 + (" (quick)" if run["meta"]["quick"] else ""))
        head += f" | {label:<39}"
    out.append(head)
    out.append(f"{'':<32}" + f" | {'plain':>8} {'Cython':>9} {'ours':>9} {'ours/peer':>9}" * len(runs))
    out.append("-" * len(out[-1]))
    for case_id in ids:
        line = f"{case_id:<32}"
        for cases in by_id:
            case = cases.get(case_id)
            if case is None:
                line += f" | {'-':>8} {'-':>9} {'-':>9} {'-':>9}"
                continue
            cells = [fmt(case[impl]["median"]) + ("*" if impl == case.get("faster_peer") else " ")
                     if impl in case else "- " for impl in COLUMNS]
            line += f" | {cells[0]:>9}{cells[1]:>10}{cells[2]:>9} {case['ratio']:>8.3f}"
        out.append(line)
    # An import is paid by every start of the host: it stays under 1 ms.
    slow = [f"{case['id']} on {run['meta']['python']} ({fmt(case['compiled']['median'])})"
            for run in runs for case in run["cases"]
            if case["id"].startswith("import.") and case["compiled"]["median"] >= 1e6]
    for run in runs:
        if run["meta"].get("cython_left_out"):
            out.append("")
            out.append(f"No Cython column on {run['meta']['python']}"
                       f"{'t' if run['meta'].get('free_threaded') else ''}: {run['meta']['cython_left_out']}")
    out.append("")
    out.append("Imports of the compiled modules at 1 ms or more: " + (", ".join(slow) if slow else "none"))
    print("\n".join(out))


if __name__ == "__main__":
    main()
