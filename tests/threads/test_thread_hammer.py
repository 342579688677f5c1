"""Threads over the engine: what Python promises a caller that shares
objects between threads, held by the compiled engine as by the
plain-Python rendering (both run the same hammer).

Eight threads run every public member of `Fettler` over and over (its
attributes read, `matches` edited in place as the dialog does, members
called wrongly too), in an order Hypothesis draws per thread, each on one
shared engine or on an engine of its own, while another thread keeps
replacing a module global (`Speller`, `cycle`, `lt_correct`, a `sorted` of
the module's own), a builtin (`getattr`), methods (`Fettler.close`,
`Fettler.init_speller`) and a method's `__qualname__`, each by an equal
stand-in and back, and keeps swapping the configured languages for equal
copies (the engine must hold its own references to whatever it is using).
Asserted:

- no crash, no hang, and no error but those a caller sharing one engine
  brings on itself (RACES: another thread's `next_language` drops the
  back-ends between their making and their use, or runs the rotation at
  the same moment);
- every result is what its own input gives, or, where another thread's
  check may land in between, what one of the inputs gives; `text` is
  always one of the inputs;
- the rotation is never torn: each `next_language` that returns advances
  it by exactly one (the languages returned, counted, are the next ones of
  the cycle), concurrent ones otherwise fail with "generator already
  executing"; on engines of their own every step is exact.

The dialog's members that read the engine (`errors`, `output` and the
text they build) are hammered too, on a stand-in dialog over one engine
whose matches, their replacements and its text other threads keep
changing: every error item and text shown is one some state of the
engine gives.

On a GIL build the switch interval is made tiny so that threads interleave
inside the members; without the GIL they run truly at once (and under
ThreadSanitizer in its leg).
"""
import builtins
import collections
import copy
import itertools
import os
import subprocess
import sys
import sysconfig
import threading
import time
import types

import pytest
from hypothesis import given, strategies as st

import addon_package
from dialog_text.test_text_building import Control as TextControl
from differential import seeded

THREADS = 8
REPEATS = 12                 # each thread runs its drawn order of members this often
NAMES = ("english", "german", "russian")
FREE_THREADED = bool(sysconfig.get_config_var("Py_GIL_DISABLED"))

RACES = {(ValueError, "generator already executing")} | {
    (AttributeError, f"'NoneType' object has no attribute '{name}'")
    for name in ("get_candidates", "autocorrect_word", "autocorrect_sentence", "check", "close")}


class Lang:
    """A language equal to every other of its name; its `==` is Python
    code, so the rotation and the constructor's search call back into
    Python on every comparison."""

    def __init__(self, name):
        self.name = name

    def __eq__(self, other):
        return isinstance(other, Lang) and other.name == self.name

    __hash__ = object.__hash__

    def __repr__(self):
        return f"Lang({self.name})"


def switch():
    """Lets the other threads run: on a GIL build a thread otherwise seldom
    loses the GIL inside a member, where the races are."""
    time.sleep(0)


def cycle(iterable):
    """itertools.cycle in Python: the same items, through a generator that
    lets other threads run at each step (inside the engine's rotation)."""
    saved = []
    for item in iterable:
        switch()
        yield item
        saved.append(item)
    while saved:
        for item in saved:
            switch()
            yield item


class Side:
    """One implementation with its own stand-ins, programmed so that each
    result tells which input it came from."""

    def __init__(self, module, companions, fakes):
        self.module, self.Fettler = module, module.Fettler
        self.plain_python = module.__file__.endswith(".py")
        self.Config = companions["config"].Config
        self.Match = companions["language_tool_python"].Match
        self.fakes = fakes

    def program(self):
        self.fakes.reset()
        self.fakes.program("Speller.get_candidates",
                           call=lambda word: switch() or [(2, word + "b"), (1, word + "a")])
        self.fakes.program("LanguageTool.check",
                           call=lambda text: switch() or [self.Match(0, len(text), text, "m", [text.upper()])])


@pytest.fixture(params=["compiled", "reference"])
def side(request):
    prefix = "" if request.param == "compiled" else "reference_"
    return Side(*(request.getfixturevalue(prefix + name) for name in ("fettler_module", "companions", "fakes")))


def rematch(engine, text):
    """The dialog's way with the matches: edited in place, not replaced
    (here the first by its copy, the old one released)."""
    matches = engine.matches
    if matches:
        matches[0] = copy.copy(matches[0])


def members(side, inputs, langs):
    """Each public member: what it does, and whether its result is right
    for the input `text` (None when the member checks itself)."""
    upper = [[u.upper()] for u in inputs]
    return {
        "construct": (lambda e, text: side.Fettler(side.Config(langs, Lang("english"))),
                      lambda made, text: made.current_language.name == "english" and made.text == ""),
        "next_language": (lambda e, text: e.next_language(), None),
        "init_speller": (lambda e, text: e.init_speller(), lambda r, text: r is None),
        "init_lang_tool": (lambda e, text: e.init_lang_tool(), lambda r, text: r is None),
        "close": (lambda e, text: e.close(), lambda r, text: r is None),
        "is_lang_tool_supports": (lambda e, text: e.is_lang_tool_supports, lambda r, text: r is True),
        "is_autocorrect_supports": (lambda e, text: e.is_autocorrect_supports, lambda r, text: r is True),
        "get_variants_simple": (lambda e, text: e.get_variants_simple(text),
                                lambda r, text: r == [text + "a", text + "b"]),
        "get_variants_extended": (lambda e, text: e.get_variants_extended(text), lambda r, text: r in upper),
        "correct_simple": (lambda e, text: e.correct_simple(text), lambda r, text: r == text),
        "correct_extended": (lambda e, text: e.correct_extended(text),
                             lambda r, text: r in [u.upper() + text[len(u):] for u in inputs]),
        "refused": (lambda e, text: e.correct_extended(text.encode()), None),
        "unbound": (lambda e, text: e.correct_simple(), None),
        "rematch": (rematch, lambda r, text: r is None),
        "state": (lambda e, text: (e.text, e.current_language, e.matches),
                  lambda r, text: (r[0] in inputs or r[0] == "") and r[1].name in NAMES
                  and all(m.replacements in upper for m in r[2])),
    }


MEMBERS = list(members(None, [], []))
KEEPS_TEXT = {"get_variants_simple", "get_variants_extended", "correct_simple", "correct_extended"}
# What the members called wrongly raise, and nothing else.
REFUSED = {"refused": (TypeError, "Argument 'text' has incorrect type (expected str, got bytes)"),
           "unbound": (TypeError, "Fettler.correct_simple() missing 1 required positional argument: 'text'")}


def replacements(side):
    """(owner, name, stand-in): what the replacer thread puts in and takes
    out in turn; each stand-in behaves as what it replaces."""
    module, Fettler = side.module, side.Fettler
    close, init_speller, lt_correct = Fettler.close, Fettler.init_speller, module.lt_correct
    genuine_getattr = builtins.getattr
    return [
        (module, "Speller", type("Speller", (module.Speller,), {})),
        (module, "cycle", cycle),
        (module, "lt_correct", lambda text, matches: lt_correct(text, matches)),
        (module, "sorted", lambda iterable, key=None: sorted(iterable, key=key)),
        (builtins, "getattr", lambda *args: genuine_getattr(*args)),
        (Fettler, "close", lambda self: close(self)),
        # returns once other threads had a chance to drop what it made
        (Fettler, "init_speller", lambda self: init_speller(self) or switch()),
        # an equal name, but another object: the one a binding error is
        # being made with may be released meanwhile
        (Fettler.correct_simple, "__qualname__", "".join(["Fettler.", "correct_simple"])),
    ]


def hammer(side, orders, inputs, shared, python_cycle, repeats=REPEATS):
    """Runs the threads; returns (unexpected outcomes, languages the shared
    engine's rotation gave, the shared engine).  With python_cycle the
    shared engine's rotation runs the Python `cycle` above."""
    if FREE_THREADED:  # else the threads would take turns, and prove little
        assert not sys._is_gil_enabled(), "something this process loaded has turned the GIL on"
    langs = [Lang(name) for name in NAMES]
    member = members(side, inputs, langs)
    shared_engine = None
    if shared:
        with pytest.MonkeyPatch.context() as patch:
            if python_cycle:
                patch.setattr(side.module, "cycle", cycle)
            shared_engine = member["construct"][0](None, None)
    rotated, wrong = [], []
    start = threading.Barrier(THREADS + 1)
    stop = threading.Event()

    def work(index, order):
        engine = shared_engine or member["construct"][0](None, None)
        place = 0  # in the rotation, of an engine of its own
        start.wait()
        for step, name in enumerate(order * repeats):
            text = inputs[(index + step) % len(inputs)]
            act, right = member[name]
            try:
                result = act(engine, text)
            except Exception as error:  # noqa: BLE001 - each is judged below
                outcome = (type(error), str(error))
                if outcome == REFUSED.get(name) or shared and outcome in RACES:
                    continue
                wrong.append((name, text, outcome))
                continue
            if name == "next_language":
                if shared:
                    rotated.append(result.name)
                    continue
                place += 1
                if result.name != NAMES[place % len(NAMES)]:
                    wrong.append((name, text, result, f"not {NAMES[place % len(NAMES)]}"))
            elif name in REFUSED or not right(result, text):
                wrong.append((name, text, result))
            elif shared:
                continue
            elif name == "construct":
                engine, place = result, 0
            elif name in KEEPS_TEXT and engine.text != text:
                wrong.append((name, text, "text", engine.text))

    def replace():
        swaps = replacements(side)
        originals = [(owner, name, getattr(owner, name, stop)) for owner, name, _ in swaps]
        start.wait()
        try:
            for turn in itertools.count():
                if stop.is_set():
                    break
                owner, name, stand_in = swaps[turn % len(swaps)]
                setattr(owner, name, stand_in)
                langs[turn % len(langs)] = Lang(NAMES[turn % len(langs)])
                original = originals[turn % len(swaps)][2]
                if original is stop:
                    delattr(owner, name)
                else:
                    setattr(owner, name, original)
        finally:
            for owner, name, original in originals:
                if original is not stop:
                    setattr(owner, name, original)
                elif hasattr(owner, name):
                    delattr(owner, name)

    run_together([(work, index, order) for index, order in enumerate(orders)], [(replace,)], start, stop, wrong)
    return wrong, rotated, shared_engine


def run_together(workers, background, start, stop, wrong):
    """Runs each (function, *args) of `workers` and of `background` on a
    thread of its own; `stop` is set once the workers have ended, for the
    background to end too.  A thread that dies is a failure in `wrong`."""
    def guarded(run, *args):
        try:
            run(*args)
        except BaseException as error:  # noqa: B902 - a thread that dies is a failure, not a silence
            wrong.append(("thread", repr(error)))
            start.abort()

    workers, background = ([threading.Thread(target=guarded, args=job) for job in jobs]
                           for jobs in (workers, background))
    interval = sys.getswitchinterval()
    sys.setswitchinterval(1e-6)
    try:
        for thread in workers + background:
            thread.start()
        for thread in workers:
            thread.join(timeout=300)
        stop.set()
        for thread in background:
            thread.join(timeout=60)
    finally:
        sys.setswitchinterval(interval)
    assert not any(thread.is_alive() for thread in workers + background), "a thread hangs"


@pytest.mark.parametrize("shared", [True, False], ids=["shared", "own"])
@seeded(10)
@given(orders=st.lists(st.permutations(MEMBERS), min_size=THREADS, max_size=THREADS),
       inputs=st.lists(st.text(max_size=6), min_size=1, max_size=4, unique=True), python_cycle=st.booleans())
def test_threads_get_what_python_promises(side, shared, orders, inputs, python_cycle):
    skip_torn_generators(side, shared)
    side.program()
    wrong, rotated, engine = hammer(side, orders, inputs, shared, python_cycle)
    assert wrong == []
    if shared:
        assert_advanced_once_each(rotated, engine)


# Two threads that claim the rotation at the same instant are seldom met
# among all the members: here every thread only advances it, thousands of
# times.
@pytest.mark.parametrize("python_cycle", [False, True], ids=["built-in cycle", "cycle replaced"])
def test_rotation_advances_once_at_a_time(side, python_cycle):
    skip_torn_generators(side, True)
    side.program()
    wrong, rotated, engine = hammer(side, [["next_language"]] * THREADS, [""], True, python_cycle, repeats=2000)
    assert wrong == []
    assert_advanced_once_each(rotated, engine)


# What one thread replaces, over and over, while others use it: a module
# global, a builtin, a method; and the call that uses it.
HONOURED = {
    "module global": (lambda side: side.module, "sorted", lambda engine: engine.get_variants_simple("ab")),
    "builtin": (lambda side: builtins, "next", lambda engine: engine.next_language()),
    "method": (lambda side: side.Fettler, "close", lambda engine: engine.next_language()),
}


@pytest.mark.parametrize("what", HONOURED)
def test_a_replacement_is_used_from_the_next_call_on_in_every_thread(side, what):
    """Each stand-in is numbered, and published after it is put in: a call
    that begins after stand-in k was published uses k or a later one, in
    every thread (a cache that missed the change would go on using an older
    one).  Two users, as many as this machine's cores: a stale fill is a
    matter of nanoseconds, and threads that take turns on a core seldom
    land in them."""
    owner_of, name, use = HONOURED[what]
    owner = owner_of(side)
    had = name in vars(owner)
    original = getattr(owner, name, None) or getattr(builtins, name)
    side.program()
    published, wrong, seen = [0], [], threading.local()
    users = 2
    start, stop = threading.Barrier(users + 1), threading.Event()

    def numbered(k):
        def stand_in(*args, **kwargs):
            seen.k = k
            return original(*args, **kwargs)
        return stand_in

    def work():
        engine = side.Fettler(side.Config([Lang(name) for name in NAMES], Lang("english")))
        start.wait()
        for _ in range(3000):
            expected, seen.k = published[0], 0
            use(engine)
            if seen.k < expected:
                wrong.append((what, "used", seen.k, "after", expected))

    def replace():
        start.wait()
        try:
            for k in itertools.count(1):
                if stop.is_set():
                    break
                setattr(owner, name, numbered(k))
                published[0] = k
        finally:
            setattr(owner, name, original) if had else delattr(owner, name)

    run_together([(work,)] * users, [(replace,)], start, stop, wrong)
    assert wrong == []
    assert published[0] > 1


class EqualToNext:
    """A key of the module's namespace that is not a str but equals 'next'."""
    def __init__(self, name):
        assert name == "next"

    def __hash__(self):
        return hash("next")

    def __eq__(self, other):
        return other == "next"


@pytest.mark.parametrize("key", [str, EqualToNext], ids=["str key", "key equal to the name"])
def test_a_thread_uses_its_own_replacement_while_another_fills_the_cache(side, key):
    """One thread puts its own `next` in the module's namespace and calls;
    another keeps changing an unrelated global and calling, which fills
    the cache meanwhile: a fill that read the namespace and its count
    apart (the count moves before the dict changes) would keep the old
    value at the new count."""
    side.program()
    namespace, wrong = vars(side.module), []
    start, stop = threading.Barrier(2), threading.Event()

    def make():
        return side.Fettler(side.Config([Lang(name) for name in NAMES], Lang("english")))

    # Made before the threads start: a function made while another thread
    # looks it up races inside the interpreter itself (its deferred count).
    stand_ins = [(lambda i: lambda rotation: i)(i) for i in range(5000)]

    def own():
        engine = make()
        start.wait()
        for i, stand_in in enumerate(stand_ins):
            namespace[key("next")] = stand_in
            if (got := engine.next_language()) != i:
                wrong.append((i, got))
            namespace.pop(key("next"))

    def churn():
        engine = make()
        start.wait()
        for i in itertools.count():
            if stop.is_set():
                break
            namespace["unrelated"] = i
            engine.next_language()

    try:
        run_together([(own,)], [(churn,)], start, stop, wrong)
    finally:
        namespace.pop("unrelated", None)
    assert wrong == []


def skip_torn_generators(side, shared):
    """The plain-Python rotation is a generator, and the free-threaded
    3.14's generators are not safe against several threads advancing one at
    once: besides "generator already executing" they fail torn, or crash
    the interpreter (seen here, in this very test).  The compiled rotation
    is held to what a generator promises there too."""
    if FREE_THREADED and shared and side.plain_python:
        pytest.skip("the free-threaded interpreter's own generators break when shared between threads")


def assert_advanced_once_each(rotated, engine):
    """One advance per language returned: counted, they are the next ones
    of the cycle (the constructor stopped at english), and the rotation
    goes on from there."""
    ahead = [NAMES[(1 + step) % len(NAMES)] for step in range(len(rotated) + 1)]
    assert collections.Counter(rotated) == collections.Counter(ahead[:-1])
    assert engine.next_language().name == ahead[-1]


def test_both_modules_leave_the_gil_off(addon_dir):
    """A free-threaded interpreter turns the GIL on for the whole process,
    warning, when it loads a module that has not declared it can run
    without it; a fresh process imports both modules and must still run
    without the GIL."""
    if not FREE_THREADED:
        pytest.skip("the interpreter has a GIL")
    env = {name: value for name, value in os.environ.items() if name != "PYTHON_GIL"}
    script = ("import sys; sys.path[:0] = sys.argv[1:]; import fettle_addon.fettler, fettle_addon.gui.main; "
              "print(sys._is_gil_enabled())")
    run = subprocess.run([sys.executable, "-c", script, str(addon_dir), str(addon_package.HOST),
                          str(addon_package.STANDINS / "fake_wx")], capture_output=True, text=True, env=env)
    assert (run.returncode, run.stdout, run.stderr) == (0, "False\n", "")


# --- the dialog over a shared engine, on a stand-in dialog (no wx window) ---

class Control(TextControl):
    """The text building's stand-in control; `gate` is called in each second
    GetSelection (the one `output` asks, inside a fix request)."""

    def __init__(self, gate=None):
        super().__init__()
        self.gate, self.asked = gate, 0

    def GetSelection(self):
        self.asked += 1
        if self.gate and self.asked == 2:
            self.gate()
        return 0


ACTIVATED = 10025  # the stand-in wx's item activation event type


@pytest.fixture(params=["compiled", "reference"])
def dialog_side(request, monkeypatch):
    """(make(text, matches, gate=None) of an updated stand-in dialog over an
    engine stand-in, Match, the dialog module), its wx and host replaced."""
    prefix = "" if request.param == "compiled" else "reference_"
    main = request.getfixturevalue(prefix + "gui_main_module")
    Match = request.getfixturevalue(prefix + "companions")["language_tool_python"].Match
    app = types.SimpleNamespace(IsScheduledForDestruction=lambda window: False)
    monkeypatch.setattr(main, "wx", types.SimpleNamespace(
        Window=type("Window", (), {}), NOT_FOUND=-1, wxEVT_LISTBOX_DCLICK=ACTIVATED, GetApp=lambda: app))
    monkeypatch.setattr(main, "api", types.SimpleNamespace(copyToClip=lambda text, notify=True: None))

    class Dialog:
        errors, update, output = main.FettleGUI.errors, main.FettleGUI.update, main.FettleGUI.output
        process_char_hooks = main.FettleGUI.process_char_hooks

        def _check(self):  # the user's text checked: counted
            self.checked += 1

    def make(text, matches, gate=None):
        dialog = Dialog()
        dialog.checked, dialog.fettler = 0, types.SimpleNamespace(text=text, matches=matches)
        dialog.text, dialog.errors_control = Control(), Control(gate)
        dialog.update()
        return dialog
    return make, Match, main


def test_a_fix_request_marks_only_its_own_read(dialog_side):
    """Two fix requests (item activations) on two threads, each parked in
    its `output`, ended in the order they began: what one knew of its own
    read of the control must not outlive it, or a later answer of the
    chooser skips the check of what the user typed since."""
    make, Match, _ = dialog_side
    text = "teh cat adn"
    inside, go = [threading.Event(), threading.Event()], [threading.Event(), threading.Event()]
    dialogs = [make(text, [Match(0, 3, text, "Typo", ["the"]), Match(8, 3, text, "Typo", ["and"])],
                    gate=lambda i=i: inside[i].set() or go[i].wait(10)) for i in range(2)]
    event = types.SimpleNamespace(GetEventType=lambda: ACTIVATED)
    threads = [threading.Thread(target=dialog.process_char_hooks, args=(event,)) for dialog in dialogs]
    for thread, entered in zip(threads, inside):
        thread.start()
        assert entered.wait(10)
    for thread, let_go in zip(threads, go):
        let_go.set()
        thread.join(10)
    dialogs[0].text.value = "the cat adn!"  # the user typed
    dialogs[0].output("and")
    assert [(d.fettler.text, d.checked) for d in dialogs] == [("the cat adn", 1), ("the cat adn", 0)]


DIALOG_SECONDS = float(os.environ.get("FETTLE_HAMMER_SECONDS", "3"))
TEXTS = ["teh cat", "tëh dog", "t😀h cow"]
STATES = [["alpha", "béta"] * 10, ["😀gamma"] * 3, [], ["delta" * 9, "ε" * 9, "zeta"] * 7]


def fresh(words):
    """Equal str objects of their own, freed when whoever holds them drops them."""
    return [(word + ".")[:-1] for word in words]


def test_the_dialog_over_an_engine_other_threads_change(dialog_side):
    """The error list and the fix, asked of one dialog by three threads
    while three others replace the engine's matches, the matches'
    replacements (replaced, and changed in place: for a moment one holds an
    int) and the engine's text: no crash, and every error item and every
    text shown is one that some state of the engine gives, never torn."""
    make, Match, main = dialog_side
    label = main.Translator.replacements
    items = {f"Typo {t[:3]} {label} {', '.join(r)}" for t in TEXTS for r in STATES}
    texts = set(TEXTS) | {"the" + t[3:] for t in TEXTS}
    raced = {(TypeError, "expected str instance, int found"), (IndexError, "pop from empty list")}
    # The fix has an engine of its own, which the same threads change: a
    # list popped while another thread iterates it is a race inside the
    # free-threaded interpreter itself (list.pop against the list iterator).
    dialog, fixed = make(TEXTS[0], []), make(TEXTS[0], [])
    engines, wrong, stop = [dialog.fettler, fixed.fettler], [], threading.Event()
    start = threading.Barrier(7)

    def match(turn):
        return Match(0, 3, TEXTS[turn % len(TEXTS)], "Typo", fresh(STATES[turn % len(STATES)]))

    def ask(act, shown_by):
        start.wait()
        deadline = time.monotonic() + DIALOG_SECONDS
        while time.monotonic() < deadline:
            try:
                shown = act()
            except (TypeError, IndexError) as error:
                if not any(type(error) is kind and text in str(error) for kind, text in raced):
                    wrong.append(repr(error))
                continue
            if not set(shown) <= items or shown_by.text.value not in texts:
                wrong.append((shown, shown_by.text.value))

    def change(act):
        start.wait()
        for turn in itertools.count():
            if stop.is_set():
                break
            act(engines[turn % 2], turn // 2)

    def replace(engine, turn):
        for found in list(engine.matches):
            found.replacements = fresh(STATES[turn % len(STATES)])

    def in_place(engine, turn):
        for found in list(engine.matches):
            replacements = found.replacements
            replacements[:] = fresh(STATES[turn % len(STATES)])
            replacements.append(0)
            replacements.remove(0)

    def rematch(engine, turn):
        engine.matches = [match(turn), match(turn + 1)] if turn % 3 else engine.matches
        engine.matches.append(match(turn + 2))

    def fix():
        fixed.output("the")
        return fixed.errors_control.items

    run_together([(ask, lambda: dialog.errors, dialog)] * 2 + [(ask, fix, fixed)],
                 [(change, rematch), (change, replace), (change, in_place),
                  (change, lambda engine, turn: setattr(engine, "text", TEXTS[turn % len(TEXTS)]))],
                 start, stop, wrong)
    assert wrong == []
