"""Every error of a text fixed one after another, engine side and through
the real dialog."""
import gc

import growth
from figures import summary
from runner import QuietGtk, clock, in_turn, timed
from sides import IMPLS, EngineText, ListStandIn
from texts import make_text


def fix_all_cases(bench, sides, wx):
    """Every error of a 100 KB text with 2,000 matches fixed from the front,
    one after another: engine side, then through the real dialog."""
    chars, count = 100_000, 2_000
    ids = {"engine": "fixall.engine.100KB", "dialog": "fixall.dialog.100KB"}
    if not any(bench.wanted(i) for i in ids.values()):
        return
    text, found = make_text(chars, count, seed=7, single=True)
    final = text
    for offset, length, _, replacements in reversed(found):
        final = final[:offset] + replacements[0] + final[offset + length:]
    for side in sides.values():
        side.found = found
        side.fixture = side.matches(text, found)
        side.event = wx.CommandEvent(wx.wxEVT_LISTBOX_DCLICK, side.dialog.errors_control.GetId())

    def report(case_id, title, includes, per_fix, totals, growth_key, one_run):
        """Records the case and its whole runs; `one_run`: the fixes of one
        run of each implementation, for the cost by tenths of the run."""
        bench.growth[growth_key] = {impl: growth.deciles(one_run[impl], count) for impl in IMPLS}
        case = bench.record(case_id, title, includes, "per fix", per_fix)
        # Fix i does the same work in all: the ratio fix by fix (to the
        # faster peer) is the sharper comparison.
        peer = per_fix[case["faster_peer"]]
        case["fix_by_fix_ratio"] = summary([c / p for c, p in zip(per_fix["compiled"], peer)])
        if totals:
            bench.record(case_id + ".total", title + ", whole run", includes, "per run", totals)

    def finish(side):
        if side.engine.matches or side.engine.text != final:
            raise AssertionError(f"{side.impl}: the fixes did not all happen")

    if bench.wanted(ids["engine"]):
        runs = 1 if bench.quick else 5

        def run_engine_side(side):
            side.shadow(EngineText(side.engine), ListStandIn(side.dialog.errors_control))
            # The class's own update after each fix, so that the next fix
            # applies to the engine's text; the error list it fills is a
            # stand-in.
            side.dialog.update = lambda: side.FettleGUI.update(side.dialog)
            side.load(text, side.fixture)
            side.dialog.update()
            handler, event = side.dialog.process_char_hooks, side.event
            per_fix = []
            gc.disable()
            try:
                for _ in range(count):
                    start = clock()
                    handler(event)
                    per_fix.append(clock() - start)
            finally:
                gc.enable()
            finish(side)
            side.unshadow()
            return per_fix

        per_fix = {impl: [] for impl in IMPLS}
        totals = {impl: [] for impl in IMPLS}
        first = {}
        for impl, side in sides.items():  # warm-up
            run_engine_side(side)
        for r in range(runs):
            for impl in in_turn(r):
                figures = run_engine_side(sides[impl])
                first.setdefault(impl, figures)
                per_fix[impl] += figures
                totals[impl].append(sum(figures))
        report(ids["engine"], f"fix all, {chars // 1000} KB / {count:,} matches, engine side",
               "Enter on the list (activation event to `process_char_hooks`) with one replacement each, so "
               "`output` directly; fixes from the front (each shifts all matches left); the class's `update` "
               "after each fix (error items built) with the list and the text control stand-ins (the text "
               "control showing the engine's text: edit test by identity)",
               per_fix, totals, "fixall_engine", first)

    if bench.wanted(ids["dialog"]):
        per_fix = {impl: [] for impl in IMPLS}
        with QuietGtk():
            for side in sides.values():
                side.load(text, side.fixture)
                side.dialog.update()
                side.dialog.Show()
            wx.Yield()
            for i in range(count):
                for impl in in_turn(i):
                    side = sides[impl]
                    side.dialog.errors_control.SetSelection(0)
                    per_fix[impl].append(timed(side.dialog.process_char_hooks, side.event))
                if i % 50 == 49:
                    wx.Yield()
            for side in sides.values():
                finish(side)
                side.dialog.Hide()
            wx.Yield()
        totals = {impl: [sum(per_fix[impl])] for impl in IMPLS}
        report(ids["dialog"], f"fix all, {chars // 1000} KB / {count:,} matches, real dialog",
               "as above but nothing shadowed: real text control (read twice, set once per fix) and real "
               "`update` (list cleared and refilled); dialogs shown under Xvfb; the three implementations "
               "alternate fix by fix (one run each)",
               per_fix, totals, "fixall_dialog", per_fix)
    for side in sides.values():
        side.engine.matches = []
        side.engine.text = ""
        side.fixture = None
        side.dialog.update()
