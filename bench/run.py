"""Benchmark: the compiled modules `fettler` and `gui.main` against their
plain-Python rendering (reference/), side by side in one process.

Two add-on packages are assembled in a temporary folder, `fettle_compiled`
(the built extension modules) and `fettle_plain` (reference/*.py),
each with the instant back-ends of bench/standins/companions; the host
modules come from bench/standins/host (announcements and the clipboard do
nothing).  So what is timed is the modules' own work: the back-ends hand
out prepared data and cost next to nothing.

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
"""
import argparse
import gc
import importlib
import json
import os
import platform
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
import timeit
from pathlib import Path

REPO = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(REPO / "tools"))
import addon_package  # noqa: E402 - found through the line above

BENCH = REPO / "bench"
HOST = BENCH / "standins" / "host"
PACKAGES = {"compiled": "fettle_compiled", "plain": "fettle_plain"}
IMPL_OF = {"compiled": "compiled", "plain": "reference"}
IMPLS = ("compiled", "plain")
COMPANIONS = ("config", "types", "autocorrect", "autocorrect.types", "language_tool_python",
              "language_tool_python.types", "language_tool_python.utils", "corrector", "translations",
              "gui", "gui.replacements")

clock = time.perf_counter_ns


# ---------------------------------------------------------------- packages

def default_build():
    if os.environ.get("FETTLE_ADDON_BUILD"):
        return Path(os.environ["FETTLE_ADDON_BUILD"])
    release = REPO / "build-release" / "addon"
    return release if release.exists() else REPO / "build" / "addon"


def assemble(root, build):
    """Both packages side by side in `root`."""
    for impl, package in PACKAGES.items():
        try:
            addon_package.assemble(root, package, IMPL_OF[impl], build, companions=BENCH / "standins" / "companions")
        except addon_package.MissingModule as error:
            sys.exit(f"bench: {error}")
        # The dialog's texts are the tests' own stand-in; nothing in it is slow.
        shutil.copy2(REPO / "standins" / "companions" / "translations.py", root / package / "translations.py")


def put_on_path(root):
    addon_package.put_on_path(root, HOST)


def build_type(build):
    cache = build.parent / "CMakeCache.txt"
    if not cache.exists():
        return "unknown"
    for line in cache.read_text(errors="replace").splitlines():
        if line.startswith("CMAKE_BUILD_TYPE:"):
            return line.split("=", 1)[1] or "(none)"
    return "unknown"


# ---------------------------------------------------------------- texts

WORDS = ("the quick brown fox jumps over a lazy dog while our café owner writes naïve notes about "
         "weather markets history and small things people say every day in town").split()
ONE = [("teh", "the"), ("recieve", "receive"), ("alot", "a lot"), ("wich", "which"),
       ("occured", "occurred"), ("seperate", "separate"), ("definately", "definitely"), ("untill", "until")]
MANY = [("adn", ["and", "add", "an"]), ("thier", ["their", "there"]), ("becuase", ["because"]),
        ("goverment", ["government", "governments", "govern"])]
MESSAGES = ["Possible spelling mistake found.", "Did you mean a different word?",
            "This word is normally spelled differently."]


def make_text(chars, errors, seed, single):
    """A text of about `chars` characters in lines of about 75, with
    `errors` misspelt words spread evenly.  Returns the text and the
    errors as (offset, length, message, replacements); with `single` every
    error has exactly one replacement."""
    rng = random.Random(seed)
    gap = chars / errors
    pieces, found = [], []
    pos = line = 0
    next_error = gap / 2
    while pos < chars or len(found) < errors:
        if len(found) < errors and pos >= next_error:
            if single or rng.random() < 0.5:
                word, replacement = rng.choice(ONE)
                replacements = [replacement]
            else:
                word, replacements = rng.choice(MANY)
            found.append((pos, len(word), rng.choice(MESSAGES), replacements))
            next_error += gap
        else:
            word = rng.choice(WORDS)
        pieces.append(word)
        pos += len(word)
        line += len(word)
        separator = "\n" if line > 75 else " "
        line = 0 if separator == "\n" else line + 1
        pieces.append(separator)
        pos += 1
    text = "".join(pieces)
    for offset, length, _, _ in found[:3]:
        assert text[offset + length] in " \n"
    return text, found


def distinct_copy(text):
    """An equal str that is another object (so comparing them reads both)."""
    copy = (text + " ")[:-1]
    assert copy == text and copy is not text
    return copy


# ---------------------------------------------------------------- statistics

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


# ---------------------------------------------------------------- runner

class Bench:
    def __init__(self, quick, only):
        self.quick = quick
        self.only = only
        self.cases = []
        self.growth = {}
        self.started = time.monotonic()

    def wanted(self, case_id):
        return not self.only or any(text in case_id for text in self.only)

    def record(self, case_id, title, includes, unit, samples):
        stats = {impl: summary(samples[impl]) for impl in IMPLS}
        case = {"id": case_id, "title": title, "includes": includes, "unit": unit,
                "compiled": stats["compiled"], "plain": stats["plain"],
                "ratio": stats["compiled"]["median"] / stats["plain"]["median"],
                "spreads_apart": separated(stats["compiled"], stats["plain"])}
        self.cases.append(case)
        print(f"  {case_id:<34} compiled {cell(stats['compiled']):>26}   plain {cell(stats['plain']):>26}"
              f"   ratio {case['ratio']:.3f}   ({time.monotonic() - self.started:.0f} s)", file=sys.stderr)
        return case

    def paired(self, samplers, samples, warmup=2):
        """Alternates the two implementations' samplers; each call of a
        sampler returns one figure in ns."""
        for _ in range(warmup):
            for impl in IMPLS:
                samplers[impl]()
        result = {impl: [] for impl in IMPLS}
        for i in range(samples):
            for impl in (IMPLS if i % 2 == 0 else IMPLS[::-1]):
                result[impl].append(samplers[impl]())
        return result

    def count(self, per_sample_ns, budget_s, low, high):
        if self.quick:
            budget_s, low, high = budget_s / 5, max(3, low // 3), max(5, high // 5)
        return max(low, min(high, int(budget_s * 1e9 / max(per_sample_ns, 1))))

    def timed_loop(self, case_id, title, includes, statements, names, budget_s=1.0):
        """Times `statements[impl]` with timeit's loop (GC off), in batches
        of about half a millisecond; one figure per call."""
        timers = {impl: timeit.Timer(statements[impl], globals=names[impl], timer=clock) for impl in IMPLS}
        inner = 1
        while True:
            spent = max(timers[impl].timeit(inner) for impl in IMPLS)
            if spent >= 500_000 or inner >= 1 << 20:
                break
            inner *= 2
        samples = self.count(2 * spent, budget_s, 11, 300)
        result = self.paired({impl: (lambda t=timers[impl]: t.timeit(inner) / inner) for impl in IMPLS}, samples)
        case = self.record(case_id, title, includes, "per call", result)
        case["batch"] = inner
        return case


class QuietGtk:
    """Keeps GTK's console warnings out of the report while the dialogs are
    shown: a 100 KB text in the dialog's short text control makes GTK warn
    about its scrollbars on every refill.  The lines are counted and
    anything else that came is passed on."""

    def __enter__(self):
        sys.stderr.flush()
        self.file = tempfile.TemporaryFile()
        self.saved = os.dup(2)
        os.dup2(self.file.fileno(), 2)
        return self

    def __exit__(self, *exc):
        sys.stderr.flush()
        os.dup2(self.saved, 2)
        os.close(self.saved)
        self.file.seek(0)
        lines = self.file.read().decode(errors="replace").splitlines()
        self.file.close()
        gtk = [line for line in lines if "Gtk-CRITICAL" in line or "Gtk-WARNING" in line]
        for line in lines:
            if line.strip() and line not in gtk:
                print(line, file=sys.stderr)
        if gtk:
            print(f"  ({len(gtk)} GTK warnings while the dialogs were shown, e.g. {gtk[0].split('**:')[-1].strip()})",
                  file=sys.stderr)
        return False


def timed(call, *args):
    gc.disable()
    try:
        start = clock()
        call(*args)
        return clock() - start
    finally:
        gc.enable()


# ---------------------------------------------------------------- the two sides

class Side:
    """One implementation: its package's modules, an engine, a dialog."""

    def __init__(self, impl, mainframe):
        package = PACKAGES[impl]
        self.impl = impl
        self.fettler = importlib.import_module(f"{package}.fettler")
        self.main = importlib.import_module(f"{package}.gui.main")
        self.lt = importlib.import_module(f"{package}.language_tool_python")
        self.ac = importlib.import_module(f"{package}.autocorrect")
        self.Config = importlib.import_module(f"{package}.config").Config
        self.Languages = importlib.import_module(f"{package}.types").Languages
        self.Match = self.lt.Match
        self.Fettler = self.fettler.Fettler
        self.FettleGUI = self.main.FettleGUI
        self.config = self.make_config()
        self.engine = self.Fettler(self.config)
        self.dialog = self.FettleGUI(mainframe, self.engine, None)
        self.real_text = self.dialog.text

    def make_config(self):
        L = self.Languages
        return self.Config([L.english, L.german, L.russian], L.german, True)

    def matches(self, text, found):
        return [self.Match(offset, length, text, message, replacements)
                for offset, length, message, replacements in found]

    def load(self, text, matches):
        """Puts text and matches into the engine, as a check would; the
        matches get back their first offset and context."""
        for match, (offset, _, _, _) in zip(matches, self.found):
            match.offset = offset
            match.context = text
        self.engine.text = text
        self.engine.matches = list(matches)

    def shadow(self, text_control):
        """Engine-side cases: the dialog's `update` does nothing and its
        text control is a stand-in (instance attributes, which the dialog
        looks up through the instance)."""
        calls = []
        self.dialog.update = lambda: calls.append(1)
        self.dialog.text = text_control
        return calls

    def unshadow(self):
        vars(self.dialog).pop("update", None)
        self.dialog.text = self.real_text


class HeldText:
    """Text control stand-in whose content is a given str."""

    def __init__(self, value):
        self.value = value

    def GetValue(self):
        return self.value

    def SetValue(self, value):
        self.value = value

    def SetFocus(self):
        pass


class EngineText(HeldText):
    """Text control stand-in that always shows the engine's text."""

    def __init__(self, engine):
        self.engine = engine

    def GetValue(self):
        return self.engine.text


# ---------------------------------------------------------------- cases

def same_answer(expression, names):
    """Both implementations must give the same answer for what is timed."""
    def plain_value(value):
        if isinstance(value, (str, bool, int, list)):
            return value
        return getattr(value, "name", type(value).__name__)
    answers = {impl: plain_value(eval(expression, names[impl])) for impl in IMPLS}
    if answers["compiled"] != answers["plain"]:
        raise AssertionError(f"{expression}: compiled and plain answers differ")


def engine_cases(bench, sides):
    rng = random.Random(5)
    candidates = [(rng.random(), f"word{i}") for i in range(50)]
    for i in range(0, 50, 7):  # equal keys too: the sort must stay stable
        candidates[i] = (0.5, candidates[i][1])
    sentence = "Their is a smal mistake in this sentense, and anotehr one here."
    names = {}
    for impl, side in sides.items():
        side.ac.candidates = candidates
        side.lt.prepared = side.matches(sentence, [(0, 5, MESSAGES[0], ["There"]), (11, 4, MESSAGES[0], ["small"]),
                                                   (46, 7, MESSAGES[0], ["another", "anote"])])
        engine = side.Fettler(side.config)
        engine.init_speller()
        engine.init_lang_tool()
        rotating = side.Fettler(side.config)
        names[impl] = {"Fettler": side.Fettler, "config": side.config, "e": engine, "r": rotating,
                       "sentence": sentence}
    backends = "instant back-ends (prepared answers)"
    loop = [
        ("engine.construct", "Fettler(config)",
         "construction and release of an engine, 3 languages, default the 2nd", "Fettler(config)"),
        ("engine.next_language", "next_language()",
         "close() with no back-end, next language of the rotation", "r.next_language()"),
        ("engine.is_lang_tool_supports", "is_lang_tool_supports",
         "property read, language found", "e.is_lang_tool_supports"),
        ("engine.is_autocorrect_supports", "is_autocorrect_supports",
         "property read, language found", "e.is_autocorrect_supports"),
        ("engine.get_variants_simple", "get_variants_simple, 50 candidates",
         f"init_speller (already built), sort of 50 candidates by key, the words; {backends}",
         "e.get_variants_simple('recieve')"),
        ("engine.get_variants_extended", "get_variants_extended",
         f"init_lang_tool (already built), check (3 matches), first match's replacements; {backends}",
         "e.get_variants_extended('recieve')"),
        ("engine.correct_simple.word", "correct_simple, one word",
         f"init_speller, word/sentence test, autocorrect_word; {backends}", "e.correct_simple('recieve')"),
        ("engine.correct_simple.sentence", "correct_simple, a 63-char sentence",
         f"init_speller, word/sentence test, autocorrect_sentence; {backends}", "e.correct_simple(sentence)"),
        ("engine.correct_extended", "correct_extended, 63 chars",
         f"init_lang_tool, check (3 matches), correct; {backends}", "e.correct_extended(sentence)"),
    ]
    for case_id, title, includes, statement in loop:
        if bench.wanted(case_id):
            same_answer(statement, names)
            bench.timed_loop(case_id, title, includes, {impl: statement for impl in IMPLS}, names)


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
        # The interpreter's own cost of making that many small new str in a
        # list, for comparison: the step at the largest size comes from
        # memory (allocation and caches), not from the modules.
        reference = {}
        for size in sizes:
            data = [("Possible spelling mistake found.", "recieve", "receive")] * size
            timer = timeit.Timer("[f'{a} {b} x {c}' for a, b, c in data]", globals={"data": data}, timer=clock)
            inner = max(1, 100_000 // size)
            reference[str(size)] = statistics.median(timer.timeit(inner) / inner for _ in range(9)) / size
        bench.growth["errors_reference"] = reference
        rows = []
        for impl in IMPLS:
            medians = [figures[s][impl]["median"] for s in sizes]
            rows.append({"impl": impl, "per_match_ns": {str(s): m / s for s, m in zip(sizes, medians)},
                         "step_ratios": [medians[1] / medians[0], medians[2] / medians[1]]})
        bench.growth["errors"] = {"sizes": list(sizes), "ideal_step_ratio": 100, "rows": rows}


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
            calls = side.shadow(HeldText(copy))
            side.load(text, side.fixture)
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
    growth = {}
    if all((1_000_000, p) in results for p in ("front", "middle", "end")):
        # Every fix scans the whole list (shifting the matches behind it):
        # the cost per match in the list should not depend on the place.
        rows = []
        for impl in IMPLS:
            rows.append({"impl": impl, **{f"{p}_per_match_ns": results[(1_000_000, p)][impl]["median"] / 10_000
                                          for p in ("front", "middle", "end")}})
        growth["places_1MB"] = rows
    sizes = [(100_000, 1_000), (1_000_000, 10_000), (10_000_000, 100_000)]
    if all((chars, "end") in results for chars, _ in sizes):
        rows = []
        for impl in IMPLS:
            medians = [results[(chars, "end")][impl]["median"] for chars, _ in sizes]
            rows.append({"impl": impl,
                         "per_kb_ns": {f"{chars // 1000}KB/{count}": m / (chars / 1000)
                                       for (chars, count), m in zip(sizes, medians)},
                         "step_ratios": [medians[1] / medians[0], medians[2] / medians[1]]})
        growth["end_fix_sizes"] = {"sizes": [f"{c // 1000}KB/{n}" for c, n in sizes], "ideal_step_ratio": 10,
                                   "rows": rows}
    if growth:
        bench.growth["output"] = growth


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

    def deciles(per_fix):
        """Mean time of a fix for each tenth of the run, with the number of
        matches left in the list when those fixes started."""
        out = []
        for d in range(10):
            lo, hi = d * count // 10, (d + 1) * count // 10
            chunk = per_fix[lo:hi]
            out.append({"matches_in_list": count - lo, "mean_fix_ns": sum(chunk) / len(chunk)})
        return out

    def report(case_id, title, includes, per_fix, totals):
        case = bench.record(case_id, title, includes, "per fix", per_fix)
        # Fix i does the same work in both: the ratio fix by fix is the
        # sharper comparison.
        case["fix_by_fix_ratio"] = summary([c / p for c, p in zip(per_fix["compiled"], per_fix["plain"])])
        if totals:
            bench.record(case_id + ".total", title + ", whole run", includes, "per run", totals)

    def finish(side):
        if side.engine.matches or side.engine.text != final:
            raise AssertionError(f"{side.impl}: the fixes did not all happen")

    if bench.wanted(ids["engine"]):
        runs = 1 if bench.quick else 5

        def run_engine_side(side):
            side.dialog.errors_control.Set([f"error {i}" for i in range(count)])
            side.shadow(EngineText(side.engine))
            side.dialog.update = lambda: None
            side.load(text, side.fixture)
            control = side.dialog.errors_control
            control.SetSelection(0)
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
            for impl in (IMPLS if r % 2 == 0 else IMPLS[::-1]):
                figures = run_engine_side(sides[impl])
                first.setdefault(impl, figures)
                per_fix[impl] += figures
                totals[impl].append(sum(figures))
        report(ids["engine"], f"fix all, {chars // 1000} KB / {count:,} matches, engine side",
               "Enter on the list (activation event to `process_char_hooks`) with one replacement each, so "
               "`output` directly; fixes from the front (each shifts all matches left); `update` shadowed (no-op), "
               "text control a stand-in showing the engine's text (edit test by identity); real list selection",
               per_fix, totals)
        bench.growth["fixall_engine"] = {impl: deciles(first[impl]) for impl in IMPLS}

    if bench.wanted(ids["dialog"]):
        per_fix = {impl: [] for impl in IMPLS}
        with QuietGtk():
            for side in sides.values():
                side.load(text, side.fixture)
                side.dialog.update()
                side.dialog.Show()
            wx.Yield()
            for i in range(count):
                for impl in (IMPLS if i % 2 == 0 else IMPLS[::-1]):
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
               "`update` (list cleared and refilled); dialogs shown under Xvfb; the two implementations "
               "alternate fix by fix (one run each)",
               per_fix, totals)
        bench.growth["fixall_dialog"] = {impl: deciles(per_fix[impl]) for impl in IMPLS}
    for side in sides.values():
        side.engine.matches = []
        side.engine.text = ""
        side.fixture = None
        side.dialog.update()


def import_cases(bench, root):
    ids = ("import.fettler", "import.gui.main")
    if not any(bench.wanted(i) for i in ids):
        return
    env = dict(os.environ)
    env.pop("PYTHONDONTWRITEBYTECODE", None)

    def probe(impl):
        done = subprocess.run([sys.executable, __file__, "--import-probe", str(root), PACKAGES[impl]],
                              env=env, capture_output=True, text=True, check=True)
        return json.loads(done.stdout.strip().splitlines()[-1])

    for impl in IMPLS:  # writes the reference modules' bytecode cache, as an installed add-on has it
        probe(impl)
    samples = 3 if bench.quick else 12
    result = {i: {impl: [] for impl in IMPLS} for i in ids}
    for n in range(samples):
        for impl in (IMPLS if n % 2 == 0 else IMPLS[::-1]):
            figures = probe(impl)
            result["import.fettler"][impl].append(figures["fettler"])
            result["import.gui.main"][impl].append(figures["gui.main"])
    what = ("fresh interpreter per sample; wx, typing, itertools, the host and companion modules imported "
            "before the clock starts; the reference modules from their bytecode cache")
    bench.record("import.fettler", "import fettler", f"import of the engine module; {what}", "per import",
                 result["import.fettler"])
    bench.record("import.gui.main", "import gui.main",
                 f"import of the dialog module (fettler already imported); {what}", "per import",
                 result["import.gui.main"])


def import_probe(root, package):
    sys.path[:0] = [root, str(HOST)]
    import itertools  # noqa: F401
    import typing  # noqa: F401
    import wx  # noqa: F401
    for name in ("api", "gui", "ui"):
        importlib.import_module(name)
    for name in COMPANIONS:
        importlib.import_module(f"{package}.{name}")
    start = clock()
    importlib.import_module(f"{package}.fettler")
    middle = clock()
    importlib.import_module(f"{package}.gui.main")
    end = clock()
    print(json.dumps({"fettler": middle - start, "gui.main": end - middle}))


# ---------------------------------------------------------------- report

def print_report(bench, meta):
    out = []
    out.append(f"fettle benchmark: compiled modules ({meta['build_dir']}, {meta['build_type']}) "
               f"against plain Python (reference/)")
    out.append(f"Python {meta['python']}, wx {meta['wx']}, {meta['machine']}, {meta['cpus']} CPUs; "
               f"timeit loop overhead {meta['loop_overhead_ns']:.1f} ns per call, included in both")
    out.append("Figures: median [interquartile range]; ratio = compiled median / plain median "
               "(below 1.0: compiled faster); IQR: whether the two ranges are apart or overlap.")
    out.append("")
    header = f"{'case':<34} {'unit':<10} {'compiled':>28} {'plain':>28} {'ratio':>7}  {'IQR':<8}"
    out.append(header)
    out.append("-" * len(header))
    for case in bench.cases:
        flag = "  SLOWER" if case["ratio"] > 1.0 else ""
        out.append(f"{case['id']:<34} {case['unit']:<10} {cell(case['compiled']):>28} {cell(case['plain']):>28} "
                   f"{case['ratio']:>7.3f}  {case['spreads_apart']:<8}{flag}")
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
        for row in g["rows"]:
            per = " / ".join(f"{v:.1f}" for v in row["per_match_ns"].values())
            steps = " / ".join(f"{v:.1f}" for v in row["step_ratios"])
            out.append(f"    {row['impl']:<9} {per} ns per match;  x{steps}")
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
        for row in g["rows"]:
            per = " / ".join(f"{v:.0f}" for v in row["per_kb_ns"].values())
            steps = " / ".join(f"{v:.1f}" for v in row["step_ratios"])
            out.append(f"    {row['impl']:<9} {per} ns per KB;  x{steps}")
    for key, label in (("fixall_engine", "engine side"), ("fixall_dialog", "real dialog")):
        if key in growth:
            case = next((c for c in bench.cases if c["id"] == key.replace("_", ".") + ".100KB"), None)
            if case and "fix_by_fix_ratio" in case:
                r = case["fix_by_fix_ratio"]
                out.append(f"  fix all ({label}): ratio compiled/plain fix by fix: median {r['median']:.3f} "
                           f"[{r['q1']:.3f}–{r['q3']:.3f}]")
            out.append(f"  fix all ({label}): mean cost of a fix per tenth of the run "
                       f"(matches left in the list -> time, time per match left):")
            for impl in IMPLS:
                parts = [f"{d['matches_in_list']}: {fmt(d['mean_fix_ns'])} "
                         f"({d['mean_fix_ns'] / d['matches_in_list']:.0f} ns)" for d in growth[key][impl]]
                out.append(f"    {impl:<9} " + ", ".join(parts[:5]))
                out.append(f"    {'':<9} " + ", ".join(parts[5:]))
    slower = [c for c in bench.cases if c["ratio"] > 1.0]
    out.append("")
    out.append("Compiled slower than plain Python (ratio > 1.0): "
               + (", ".join(f"{c['id']} ({c['ratio']:.3f}, IQRs {c['spreads_apart']})" for c in slower)
                  if slower else "none"))
    print("\n".join(out))


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
        put_on_path(root)
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
