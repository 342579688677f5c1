"""The printed report: the table of cases, what each includes, the growth
figures and the cases where the compiled modules are slower than the faster
of their peers."""
from figures import cell, fmt, interpreter
from sides import PEERS


def step_rows(rows, key, number_format, unit):
    """One line per implementation: its cost per `unit` at each size, and
    the time ratios between the sizes."""
    lines = []
    for row in rows:
        per = " / ".join(f"{v:{number_format}}" for v in row[key].values())
        steps = " / ".join(f"{v:.1f}" for v in row["step_ratios"])
        lines.append(f"    {row['impl']:<9} {per} ns per {unit};  x{steps}")
    return lines


def print_report(bench, meta):
    out = []
    peers = [peer for peer in PEERS if peer in bench.impls]
    if "cython" in peers:
        out.append(f"fettle benchmark: compiled modules ({meta['build_dir']}, {meta['build_type']}) "
                   f"against their peers, plain Python (reference/) and the same compiled with Cython "
                   f"({meta['cython_dir']}, {meta['cython']})")
    else:
        out.append(f"fettle benchmark: compiled modules ({meta['build_dir']}, {meta['build_type']}) "
                   f"against plain Python (reference/); Cython peer left out: {meta['cython_left_out']}")
    out.append(f"Python {interpreter(meta)}, wx {meta['wx']}, {meta['machine']}, {meta['cpus']} CPUs; "
               f"timeit loop overhead {meta['loop_overhead_ns']:.1f} ns per call, included in all")
    out.append("Figures: median [interquartile range]; ratio = compiled median / the faster peer's median "
               "(below 1.0: compiled faster than both; the faster peer is marked *); IQR: whether the ranges "
               "of compiled and the faster peer are apart or overlap.")
    out.append("")
    header = (f"{'case':<32} {'unit':<10} " + "".join(f"{peer + ' ':>27} " for peer in peers)
              + f"{'compiled':>26} {'ratio':>6}  {'IQR':<7}")
    out.append(header)
    out.append("-" * len(header))
    for case in bench.cases:
        flag = "  SLOWER" if case["ratio"] > 1.0 else ""
        cells = " ".join(f"{cell(case[p]) + ('*' if p == case['faster_peer'] else ' '):>27}" for p in peers)
        out.append(f"{case['id']:<32} {case['unit']:<10} {cells} {cell(case['compiled']):>26} "
                   f"{case['ratio']:>6.3f}  {case['spreads_apart']:<7}{flag}")
    out.append("")
    out.append("What each case includes (back-ends, announcements and the clipboard do nothing throughout):")
    seen = set()
    for case in bench.cases:
        if case["includes"] in seen:
            continue
        seen.add(case["includes"])
        out.append(f"- {case['id']}: {case['title']}: {case['includes']}")
    growth = bench.growth
    if growth:
        out.append("")
        out.append("Growth (linear cost: per-item figures flat, step ratios near the size ratio):")
    if "errors" in growth:
        g = growth["errors"]
        out.append(f"  errors, per match at {' / '.join(f'{s:,}' for s in g['sizes'])} matches; "
                   f"time ratio between sizes (ideal {g['ideal_step_ratio']}):")
        out += step_rows(g["rows"], "per_match_ns", ".1f", "match")
        if "errors_reference" in growth:
            ref = " / ".join(f"{v:.1f}" for v in growth["errors_reference"].values())
            out.append(f"    reference {ref} ns per item: a list comprehension making one small f-string per item")
    if "output" in growth and "places_1MB" in growth["output"]:
        out.append("  output on 1 MB / 10,000 matches, time per match in the list, fix at the front / middle / end:")
        for row in growth["output"]["places_1MB"]:
            out.append(f"    {row['impl']:<9} {row['front_per_match_ns']:.1f} / {row['middle_per_match_ns']:.1f} / "
                       f"{row['end_per_match_ns']:.1f} ns")
    if "output" in growth and "end_fix_sizes" in growth["output"]:
        g = growth["output"]["end_fix_sizes"]
        out.append(f"  output, fix at the end, per KB of text at {' / '.join(g['sizes'])}; "
                   f"time ratio between sizes (ideal {g['ideal_step_ratio']}):")
        out += step_rows(g["rows"], "per_kb_ns", ".0f", "KB")
    for key, label in (("fixall_engine", "engine side"), ("fixall_dialog", "real dialog")):
        if key in growth:
            case = next((c for c in bench.cases if c["id"] == key.replace("_", ".") + ".100KB"), None)
            if case and "fix_by_fix_ratio" in case:
                r = case["fix_by_fix_ratio"]
                out.append(f"  fix all ({label}): ratio compiled/{case['faster_peer']} fix by fix: "
                           f"median {r['median']:.3f} "
                           f"[{r['q1']:.3f}–{r['q3']:.3f}]")
            out.append(f"  fix all ({label}): mean cost of a fix per tenth of the run "
                       f"(matches left in the list -> time, time per match left):")
            for impl in bench.impls:
                parts = [f"{d['matches_in_list']}: {fmt(d['mean_fix_ns'])} "
                         f"({d['mean_fix_ns'] / d['matches_in_list']:.0f} ns)" for d in growth[key][impl]]
                out.append(f"    {impl:<9} " + ", ".join(parts[:5]))
                out.append(f"    {'':<9} " + ", ".join(parts[5:]))
    for case in bench.cases:
        if "scaling" in case:
            out.append("")
            out.append("Threads: calls per second at 2 threads over 1 (2.0: perfect scaling; 1.0: none): "
                       + ", ".join(f"{impl} {value:.2f}" for impl, value in case["scaling"].items()))
    slower = [c for c in bench.cases if c["ratio"] > 1.0]
    out.append("")
    out.append("Compiled slower than the faster peer (ratio > 1.0): "
               + (", ".join(f"{c['id']} ({c['ratio']:.3f}, IQRs {c['spreads_apart']})" for c in slower)
                  if slower else "none"))
    print("\n".join(out))
