"""The compiled dialog against the plain-Python rendering in reference/.

Hypothesis draws an engine text, matches (offsets and lengths negative, out
of range, huge or int subclasses; overlapping; str subclasses; broken ones)
and a sequence of steps (error items, selections, fixes by `output`, Enter
on the list, chooser answers, the user's typing, the owner replacing the
text, checks).  Both dialogs, on the real toolkit, run it and must agree on
every result and exception (type and text), on the engine's text and
matches, the list's items, the control's text and the selection after each
step, on what the host was asked (messages, clipboard), on the chooser
calls and on every read and write of a match attribute.

Seeds and case counts: see tests/differential.py.
"""
import pytest
import wx
from hypothesis import given, strategies as st

from differential import assert_same, mostly, outcome, seeded

from .conftest import char_hook

ATTRIBUTES = ("offset", "errorLength", "context", "message", "replacements")


class IntSub(int):
    pass


class Sub(str):
    pass


class Match:
    """A grammar match whose every read and write is logged; attributes
    named in `missing` are not there."""

    def __init__(self, log, missing, **values):
        object.__setattr__(self, "_log", log)
        object.__setattr__(self, "_missing", missing)
        for name, value in values.items():
            object.__setattr__(self, name, value)

    def __getattribute__(self, name):
        if name in ATTRIBUTES:
            object.__getattribute__(self, "_log").append(("get", name))
            if name in object.__getattribute__(self, "_missing"):
                raise AttributeError(f"match has no {name}")
        return object.__getattribute__(self, name)

    def __setattr__(self, name, value):
        self._log.append(("set", name, describe(value)))
        object.__setattr__(self, name, value)


def describe(value):
    if isinstance(value, Match):
        return ("match", [describe(vars(value).get(name)) for name in ATTRIBUTES])
    if type(value) in (list, tuple):
        return (type(value).__name__, [describe(item) for item in value])
    if isinstance(value, (str, int)):
        return (type(value).__name__, type(value).__base__(value) if type(value) not in (str, int) else value)
    return (type(value).__name__,)




# --- the cases ----------------------------------------------------------


texts = st.text(st.sampled_from("ab é😀\0\ud800\n"), max_size=8)
small = st.integers(-2, 8)
position = mostly(small, st.one_of(small.map(IntSub), st.sampled_from([2 ** 70, -2 ** 70])), 7)
replacements = mostly(st.lists(texts, min_size=1, max_size=3), st.one_of(
    st.lists(st.one_of(texts, texts.map(Sub)), max_size=3),
    st.lists(texts, max_size=2).map(tuple),
    st.just([None]),
))
match = st.fixed_dictionaries({
    "offset": position,
    "errorLength": mostly(st.integers(0, 3), position),
    "context": st.one_of(st.just(None), texts, texts.map(Sub)),  # None: the engine's text
    "message": st.one_of(texts, st.just(42), texts.map(Sub)),
    "replacements": replacements,
    "missing": mostly(st.just(()), st.sampled_from(ATTRIBUTES).map(lambda a: (a,)), 9),
})
fix = st.tuples(st.just("fix"), st.integers(-1, 4), st.sampled_from(["output", "output", "enter"]), texts)
step = mostly(fix, st.one_of(
    st.tuples(st.just("errors")),
    st.tuples(st.just("select"), st.integers(-1, 4)),
    st.tuples(st.just("output"), st.sampled_from(["subclass", "none"]), texts),
    st.tuples(st.just("answer"), st.integers(0, 3)),
    st.tuples(st.just("type"), texts),
    st.tuples(st.just("owner"), texts),
    st.tuples(st.just("update")),
    st.tuples(st.just("check")),
), 6)
cases = st.fixed_dictionaries({"text": texts, "matches": st.lists(match, min_size=1, max_size=5),
                               "steps": st.lists(step, min_size=1, max_size=6)})


# --- one run ------------------------------------------------------------

def typo_check(log):
    """The grammar fake: every "b" is an error, "x" replaces it."""
    def check(text):
        return [Match(log, (), offset=i, errorLength=1, context=text, message="b?", replacements=["x"])
                for i, c in enumerate(text) if c == "b"]
    return check


def make_matches(case, log):
    return [Match(log, m["missing"], offset=m["offset"], errorLength=m["errorLength"],
                  context=case["text"] if m["context"] is None else m["context"], message=m["message"],
                  replacements=list(m["replacements"]) if type(m["replacements"]) is list else m["replacements"])
            for m in case["matches"]]


def perform(dialog, engine, step, pending):
    kind = step[0]
    if kind == "errors":
        return outcome(lambda: dialog.errors, describe)
    if kind in ("select", "fix"):
        index = step[1] if 0 <= step[1] < dialog.errors_control.GetCount() else wx.NOT_FOUND
        dialog.errors_control.SetSelection(index)
        if kind == "select":
            return ("selected",)
        if step[2] == "enter":
            return outcome(lambda: char_hook(dialog, dialog.errors_control, wx.WXK_RETURN), describe)
        return outcome(lambda: dialog.output(step[3]), describe)
    if kind == "output":
        argument = {"str": step[2], "subclass": Sub(step[2]), "none": None}[step[1]]
        return outcome(lambda: dialog.output(argument), describe)
    if kind == "answer":
        if not pending:
            return ("no chooser",)
        replacements, callback = pending.pop()[1]
        choices = list(replacements) or ["chosen"]
        return outcome(lambda: callback(choices[step[1] % len(choices)]), describe)
    if kind == "type":
        return outcome(lambda: dialog.text.AppendText(step[1]), describe)
    if kind == "owner":
        engine.text = step[1]
        return ("set",)
    if kind == "update":
        return outcome(dialog.update, describe)
    return outcome(dialog._check, describe)


def run(case, dialog, engine, fakes, host, pending, log):
    fakes.reset()
    fakes.program("LanguageTool.check", call=typo_check(log))
    host.journal.clear()
    pending.clear()
    engine.text = case["text"]
    engine.matches = make_matches(case, log)
    dialog.fettler = engine
    steps = [("shown", outcome(dialog.update, describe), dialog.errors_control.GetItems())]
    for each in case["steps"]:
        result = perform(dialog, engine, each, pending)
        steps.append((each, result, describe(engine.text), describe(engine.matches),
                      dialog.errors_control.GetItems(), dialog.text.GetValue(),
                      dialog.errors_control.GetSelection(), list(host.journal.entries),
                      [(describe(r), callback == dialog.output) for _, (r, callback) in pending],
                      list(log)))
        log.clear()
    return steps



@pytest.fixture
def sides(main_module, reference_gui_main_module, reference_companions, reference_fakes, make_engine, host, fakes,
          monkeypatch):
    """(dialog, engine, fakes) for each implementation, and the chooser
    calls that wx.CallAfter was asked to make."""
    pending = []
    monkeypatch.setattr(wx, "CallAfter", lambda function, *args: pending.append((function, args)))
    english = reference_companions["types"].Languages.english
    reference_engine = reference_gui_main_module.Fettler(reference_companions["config"].Config([english], english))
    compiled_engine = make_engine()
    made = []
    for module, engine in ((main_module, compiled_engine), (reference_gui_main_module, reference_engine)):
        made.append(module.FettleGUI(host.gui.mainFrame, engine))
        module.FettleGUI._instance = None
    yield [(made[0], compiled_engine, fakes), (made[1], reference_engine, reference_fakes)], pending
    for dialog in made:
        dialog.Destroy()


@seeded(150)
@given(case=cases)
def test_dialog_agrees_with_the_reference(case, sides, host):
    pairs, pending = sides
    results = []
    for dialog, engine, fakes in pairs:
        log = []
        results.append(run(case, dialog, engine, fakes, host, pending, log))
    assert_same(*results)
