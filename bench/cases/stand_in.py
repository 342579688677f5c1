"""The dialog's `errors` and `output` on a stand-in dialog, for interpreters
without wxPython (standins/fake_wx): the same texts, sizes and places as the
cases on the real dialog (errors.py, output.py), with the dialog's methods
called through its class on a plain object that has the attributes they
read."""
from runner import timed
from sides import HeldText, ListStandIn
from texts import distinct_copy, make_text


class Dialog:
    """What `errors`, `update` and `output` read on a dialog.  `update`
    itself does nothing here: the class's own is called once through the
    class (`show`), so that the dialog module remembers what it showed;
    the error list it fills there is dropped, so `errors` is empty."""

    errors = ()

    def __init__(self, side):
        self.fettler = side.engine
        self.errors_control = ListStandIn()
        self.text = HeldText("")
        self.corrector = None

    def update(self):
        pass


class App:
    """The application, as the plain rendering's `output` asks it whether
    the dialog is about to go (the compiled one asks only for a wx
    window)."""

    def IsScheduledForDestruction(self, window):
        return False


def dialogs(sides):
    import wx
    if not hasattr(wx, "GetApp"):  # the stand-in wx has no application
        app = App()
        wx.GetApp = lambda: app
    return {impl: Dialog(side) for impl, side in sides.items()}


def show(side, dialog):
    """The dialog class's own update on the stand-in; then its text control
    holds an equal copy of the engine's text."""
    side.FettleGUI.update(dialog)
    dialog.text.value = distinct_copy(side.engine.text)


def stand_in_errors_cases(bench, sides):
    """The error list's items for 10, 1,000 and 100,000 matches."""
    chars = {10: 1_000, 1_000: 100_000, 100_000: 1_500_000}
    stand_ins = dialogs(sides)
    for size, length in chars.items():
        case_id = f"dialog.errors.{size}"
        if not bench.wanted(case_id):
            continue
        text, found = make_text(length, size, seed=size, single=False)
        names = {}
        for impl, side in sides.items():
            side.engine.text = text
            side.engine.matches = side.matches(text, found)
            names[impl] = {"errors": side.FettleGUI.errors.fget, "d": stand_ins[impl]}
        answers = {impl: names[impl]["errors"](names[impl]["d"]) for impl in sides}
        if len({tuple(a) for a in answers.values()}) != 1:
            raise AssertionError("errors: the answers differ")
        bench.timed_loop(case_id, f"errors, {size:,} matches",
                         "the dialog's `errors` property on a stand-in dialog: one item per match "
                         "(1-4 replacements each), list built and released",
                         {impl: "errors(d)" for impl in sides}, names, budget_s=3.0)
        for side in sides.values():
            side.engine.matches = []
            side.engine.text = ""


def stand_in_output_cases(bench, sides):
    """One fix by `output`: front, middle and end of a 1 MB text with 10,000
    matches."""
    chars, count = 1_000_000, 10_000
    ids = {place: f"dialog.output.{chars // 1000}KB.{place}" for place in ("front", "middle", "end")}
    if not any(bench.wanted(i) for i in ids.values()):
        return
    text, found = make_text(chars, count, seed=chars, single=True)
    stand_ins = dialogs(sides)
    for impl, side in sides.items():
        side.found = found
        side.fixture = side.matches(text, found)
        side.load(text, side.fixture)
        show(side, stand_ins[impl])
    index_of = {"front": 0, "middle": count // 2, "end": count - 1}
    for place, case_id in ids.items():
        if not bench.wanted(case_id):
            continue
        index = index_of[place]
        replacement = found[index][3][0]
        expected = text[:found[index][0]] + replacement + text[found[index][0] + found[index][1]:]

        def sampler(impl, index=index, replacement=replacement, expected=expected):
            side, dialog = sides[impl], stand_ins[impl]

            def sample():
                side.load(text, side.fixture)
                dialog.errors_control.SetSelection(index)
                spent = timed(side.FettleGUI.output, dialog, replacement)
                if len(side.engine.matches) != count - 1 or side.engine.text != expected:
                    raise AssertionError(f"{impl}: output did not fix the error")
                return spent
            return sample

        samplers = {impl: sampler(impl) for impl in sides}
        estimate = max(timed(samplers[impl]) for impl in sides)
        result = bench.paired(samplers, bench.count(2 * estimate, 2.0, 11, 150))
        bench.record(case_id, f"output, {chars // 1000:,} KB / {count:,} matches, fix at the {place}",
                     f"`output` on a stand-in dialog whose text control holds an equal copy of the text (so the "
                     f"edit test compares {chars // 1000:,} KB); text rebuilt, {count - 1:,} matches scanned, "
                     f"{count - 1 - index:,} shifted", "per call", result)
    for side in sides.values():
        side.engine.matches = []
        side.engine.text = ""
        side.fixture = None
