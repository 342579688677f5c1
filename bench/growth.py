"""Growth analysis: how the cost of the sized cases grows with the size
(linear cost: per-item figures flat, step ratios near the size ratio)."""
import statistics
import timeit

from runner import clock
from sides import IMPLS


def step_ratios(medians):
    return [medians[1] / medians[0], medians[2] / medians[1]]


def errors_reference(sizes):
    """The interpreter's own cost of making that many small new str in a
    list, per item, for comparison: the step at the largest size comes
    from memory (allocation and caches), not from the modules."""
    reference = {}
    for size in sizes:
        data = [("Possible spelling mistake found.", "recieve", "receive")] * size
        timer = timeit.Timer("[f'{a} {b} x {c}' for a, b, c in data]", globals={"data": data}, timer=clock)
        inner = max(1, 100_000 // size)
        reference[str(size)] = statistics.median(timer.timeit(inner) / inner for _ in range(9)) / size
    return reference


def errors_growth(figures, sizes):
    """The error list's cost per match at each size (`figures`: case by size)."""
    rows = []
    for impl in IMPLS:
        medians = [figures[s][impl]["median"] for s in sizes]
        rows.append({"impl": impl, "per_match_ns": {str(s): m / s for s, m in zip(sizes, medians)},
                     "step_ratios": step_ratios(medians)})
    return {"sizes": list(sizes), "ideal_step_ratio": 100, "rows": rows}


def output_growth(results, places_size, end_sizes):
    """`output`'s cost per match in the list at each place of the fix (on
    `places_size` = (chars, matches)), and per KB of text for the fix at
    the end at each of `end_sizes`; `results`: case by (chars, place)."""
    growth = {}
    chars, count = places_size
    if all((chars, p) in results for p in ("front", "middle", "end")):
        # Every fix scans the whole list (shifting the matches behind it):
        # the cost per match in the list should not depend on the place.
        rows = []
        for impl in IMPLS:
            rows.append({"impl": impl, **{f"{p}_per_match_ns": results[(chars, p)][impl]["median"] / count
                                          for p in ("front", "middle", "end")}})
        growth["places_1MB"] = rows
    if all((chars, "end") in results for chars, _ in end_sizes):
        rows = []
        for impl in IMPLS:
            medians = [results[(chars, "end")][impl]["median"] for chars, _ in end_sizes]
            rows.append({"impl": impl,
                         "per_kb_ns": {f"{chars // 1000}KB/{count}": m / (chars / 1000)
                                       for (chars, count), m in zip(end_sizes, medians)},
                         "step_ratios": step_ratios(medians)})
        growth["end_fix_sizes"] = {"sizes": [f"{c // 1000}KB/{n}" for c, n in end_sizes],
                                   "ideal_step_ratio": 10, "rows": rows}
    return growth


def deciles(per_fix, count):
    """Mean time of a fix for each tenth of a fix-all run, with the number
    of matches left in the list when those fixes started."""
    out = []
    for d in range(10):
        lo, hi = d * count // 10, (d + 1) * count // 10
        chunk = per_fix[lo:hi]
        out.append({"matches_in_list": count - lo, "mean_fix_ns": sum(chunk) / len(chunk)})
    return out
