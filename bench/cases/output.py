"""One fix by the dialog's `output`, engine side, at three places and three
sizes."""
import growth
from runner import timed
from sides import IMPLS, HeldText
from texts import distinct_copy, make_text


def output_cases(bench, sides):
    """One fix by `output`, engine side: front, middle and end of a 1 MB
    text with 10,000 matches; the end fix also on 100 KB / 1,000 and
    10 MB / 100,000 for the growth."""
    plan = [(1_000_000, 10_000, ("front", "middle", "end")),
            (100_000, 1_000, ("end",)),
            (10_000_000, 100_000, ("end",))]
    results = {}
    for chars, count, places in plan:
        ids = {place: f"dialog.output.{chars // 1000}KB.{place}" for place in places}
        if not any(bench.wanted(i) for i in ids.values()):
            continue
        text, found = make_text(chars, count, seed=chars, single=True)
        copy = distinct_copy(text)
        for side in sides.values():
            side.found = found
            side.fixture = side.matches(text, found)
            side.dialog.errors_control.Set([f"error {i}" for i in range(count)])
            held = HeldText(copy)
            calls = side.shadow(held)
            side.load(text, side.fixture)
            # The class's own update once, so that the dialog holds what it
            # showed and a fix applies to the engine's text; then the
            # control shows an equal copy again.
            side.FettleGUI.update(side.dialog)
            held.value = copy
            side.dialog.errors_control.SetSelection(0)
            side.dialog.output(found[0][3][0])
            assert calls == [1] and len(side.engine.matches) == count - 1, "the fix did not happen"
            side.dialog.update = lambda: None
        index_of = {"front": 0, "middle": count // 2, "end": count - 1}
        for place in places:
            if not bench.wanted(ids[place]):
                continue
            index = index_of[place]
            replacement = found[index][3][0]
            expected = text[:found[index][0]] + replacement + text[found[index][0] + found[index][1]:]

            def sampler(side, index=index, replacement=replacement, expected=expected):
                def sample():
                    side.load(text, side.fixture)
                    side.dialog.errors_control.SetSelection(index)
                    spent = timed(side.dialog.output, replacement)
                    if len(side.engine.matches) != count - 1 or len(side.engine.text) != len(expected):
                        raise AssertionError(f"{side.impl}: output did not fix the error")
                    return spent
                return sample

            samplers = {impl: sampler(side) for impl, side in sides.items()}
            for impl, side in sides.items():
                samplers[impl]()
                assert side.engine.text == expected, f"{impl}: wrong text after the fix"
            estimate = max(timed(samplers[impl]) for impl in IMPLS)
            samples = bench.count(2 * estimate, 2.0, 11, 150)
            result = bench.paired(samplers, samples)
            behind = count - 1 - index
            results[(chars, place)] = bench.record(
                ids[place], f"output, {chars // 1000:,} KB / {count:,} matches, fix at the {place}",
                f"`output` on the real dialog with its `update` shadowed (no-op) and its text control a stand-in "
                f"holding an equal copy of the text (so the edit test compares {chars // 1000:,} KB); real list "
                f"selection; text rebuilt, {count - 1:,} matches scanned, {behind:,} shifted",
                "per call", result)
        for side in sides.values():
            side.unshadow()
            side.engine.matches = []
            side.engine.text = ""
            side.fixture = None
    found_growth = growth.output_growth(results, (1_000_000, 10_000),
                                        [(100_000, 1_000), (1_000_000, 10_000), (10_000_000, 100_000)])
    if found_growth:
        bench.growth["output"] = found_growth
