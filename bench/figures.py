"""Statistics over the samples of a case, and how figures are printed."""
import statistics


def summary(values):
    values = sorted(values)
    if len(values) > 1:
        q1, _, q3 = statistics.quantiles(values, n=4, method="inclusive")
    else:
        q1 = q3 = values[0]
    return {"median": statistics.median(values), "q1": q1, "q3": q3,
            "min": values[0], "max": values[-1], "n": len(values)}


def separated(compiled, plain):
    """'faster' or 'slower' when the interquartile ranges do not overlap,
    else 'overlap' (the difference is within the spread); 'single' for
    one sample each."""
    if compiled["n"] < 2 or plain["n"] < 2:
        return "single"
    if compiled["q3"] < plain["q1"]:
        return "faster"
    if compiled["q1"] > plain["q3"]:
        return "slower"
    return "overlap"


def fmt(ns, unit=None):
    unit = unit or pick_unit(ns)
    scale, name = unit
    return f"{ns / scale:.3g} {name}" if ns / scale < 100 else f"{ns / scale:.0f} {name}"


def pick_unit(ns):
    for scale, name in ((1e9, "s"), (1e6, "ms"), (1e3, "µs")):
        if ns >= scale:
            return scale, name
    return 1.0, "ns"


def cell(stats):
    unit = pick_unit(stats["median"])
    return f"{fmt(stats['median'], unit)} [{fmt(stats['q1'], unit).split()[0]}–{fmt(stats['q3'], unit)}]"


def interpreter(meta):
    """The interpreter a run's figures are from, as its reports name it."""
    return meta["python"] + (" free-threaded (GIL off)" if meta.get("free_threaded") else "")
