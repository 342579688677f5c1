"""The benchmark run again in several fresh processes (run.py --processes K),
and one table of them.

Why: on a shared virtual machine a short row's median moves from one
process to the next by more than its spread within one process: where the
interpreter, the three sides' code and their data land in memory changes
how fast the same instructions run (seen here: next_language on 3.14 at
1.32 times the faster peer in one process and 1.00 in the next, with the
same build).  One process's interleaved median is then one draw; the
median of the processes' medians is the figure to compare, and their range
says how far a single run may stray.

Each process is run.py with the same arguments; the merged result keeps
run.py's JSON shape for bench/peers.py (per case and side: "median", the
median of the processes' medians, with "min"/"max" and every process's
figure), and the ratio is the median of the processes' ratios.  The growth
figures are one process's (the first); they are ratios within a run.
"""
import json
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

from figures import fmt, interpreter
from sides import PEERS


def merged_case(cases, impls):
    first = cases[0]
    case = {key: first[key] for key in ("id", "title", "includes", "unit")}
    for impl in impls:
        medians = [c[impl]["median"] for c in cases]
        case[impl] = {"median": statistics.median(medians), "min": min(medians), "max": max(medians),
                      "per_process": medians}
    ratios = [c["ratio"] for c in cases]
    peers = {c["faster_peer"] for c in cases}
    case["ratio"] = statistics.median(ratios)
    case["ratios"] = ratios
    case["faster_peer"] = min(peers, key=lambda impl: case[impl]["median"])
    case["spreads_apart"] = ("faster" if max(ratios) < 1.0 else "slower" if min(ratios) > 1.0 else "overlap")
    if "scaling" in first:  # the threads row: each side's 2-over-1, median of the processes'
        case["scaling"] = {impl: statistics.median(c["scaling"][impl] for c in cases) for impl in first["scaling"]}
    return case


def print_merged(result, impls):
    meta = result["meta"]
    print(f"Python {interpreter(meta)}, wx {meta['wx']}; {meta['processes']} processes, each an interleaved run of run.py")
    print("Figures: the median of the processes' medians [lowest–highest]; ratio: the median of the processes' "
          "ratios (compiled over the faster peer) [lowest–highest]")
    print()
    head = f"{'case':<32} " + "".join(f"{impl:>28}" for impl in impls) + f"{'ratio':>24}"
    print(head)
    print("-" * len(head))
    for case in result["cases"]:
        cells = ""
        for impl in impls:
            figures = case[impl]
            cells += f"{fmt(figures['median']) + ' [' + fmt(figures['min']).split()[0] + '–' + fmt(figures['max']) + ']':>28}"
        ratios = case["ratios"]
        flag = "  SLOWER" if case["ratio"] > 1.0 else ""
        print(f"{case['id']:<32} {cells}{case['ratio']:>9.3f} [{min(ratios):.3f}–{max(ratios):.3f}]{flag}")
    for case in result["cases"]:
        if "scaling" in case:
            print("\nThreads: calls per second at 2 threads over 1: "
                  + ", ".join(f"{impl} {value:.2f}" for impl, value in case["scaling"].items()))


def repeat(processes, run_args, json_path):
    """Runs run.py `processes` times with `run_args` (their own --json left
    out) and writes the merged result to json_path."""
    runs = []
    started = time.monotonic()
    with tempfile.TemporaryDirectory(prefix="fettle-processes-") as tmp:
        for k in range(processes):
            out = Path(tmp) / f"{k}.json"
            subprocess.run([sys.executable, str(Path(__file__).with_name("run.py")), *run_args, "--json", str(out)],
                           check=True, stdout=subprocess.DEVNULL)
            runs.append(json.loads(out.read_text()))
            print(f"processes: {k + 1} of {processes} done ({time.monotonic() - started:.0f} s)", file=sys.stderr)
    first = runs[0]
    impls = [impl for impl in (*PEERS, "compiled") if impl in first["cases"][0]]
    ids = [case["id"] for case in first["cases"]]
    by_id = [{case["id"]: case for case in run["cases"]} for run in runs]
    result = {"meta": {**first["meta"], "processes": processes,
                       "seconds": round(time.monotonic() - started, 1)},
              "cases": [merged_case([cases[case_id] for cases in by_id], impls) for case_id in ids],
              "growth": first["growth"]}
    print_merged(result, impls)
    json_path.parent.mkdir(parents=True, exist_ok=True)
    json_path.write_text(json.dumps(result, indent=1, ensure_ascii=False) + "\n")
    print(f"\nwritten: {json_path} ({result['meta']['seconds']} s)")
