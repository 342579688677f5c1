"""The dialog's error list (its `errors` property) at three sizes."""
import growth
from sides import IMPLS, same_answer
from texts import make_text


def errors_cases(bench, sides):
    """The error list's items for 10, 1,000 and 100,000 matches."""
    sizes = (10, 1_000, 100_000)
    chars = {10: 1_000, 1_000: 100_000, 100_000: 1_500_000}
    figures = {}
    for size in sizes:
        case_id = f"dialog.errors.{size}"
        if not bench.wanted(case_id):
            continue
        text, found = make_text(chars[size], size, seed=size, single=False)
        names = {}
        for impl, side in sides.items():
            side.engine.text = text
            side.engine.matches = side.matches(text, found)
            names[impl] = {"d": side.dialog}
        same_answer("d.errors", names)
        case = bench.timed_loop(
            case_id, f"errors, {size:,} matches",
            "the dialog's `errors` property: one item per match (1-4 replacements each), list built and released",
            {impl: "d.errors" for impl in IMPLS}, names, budget_s=3.0)
        figures[size] = case
        for side in sides.values():
            side.engine.matches = []
            side.engine.text = ""
    if len(figures) == len(sizes):
        bench.growth["errors_reference"] = growth.errors_reference(sizes)
        bench.growth["errors"] = growth.errors_growth(figures, sizes)
