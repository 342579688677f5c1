"""The hunt for crashes where the modules call out to Python, against the
plain-Python rendering.  Each case runs on a fresh copy of the engine's module
(its class never looked up, its caches empty, nothing here keeps its functions
alive), with hostile objects at the calls out: a key hashing as a name in the
engine's or dialog's __dict__, an attribute, a language, a back-end's result.
From the `arm`-th operation on, the first `times` calls into them run the
action.  Seeds and case counts: see tests/differential.py."""
import builtins
import gc
import importlib.util
import types

import pytest
from hypothesis import given, strategies as st

from differential import assert_same, mostly, outcome, seeded
from .test_engine_differential import describe

NAMES = ["close", "init_speller", "init_lang_tool", "speller", "lang_tool", "text", "matches",
         "current_language", "_next_language", "config", "next_language", "correct_simple"]
CALLERS = {"close": "next_language", "init_speller": "get_variants_simple", "init_lang_tool": "correct_extended"}
OPERATIONS = ["next_language", "close", "init_speller", "init_lang_tool", "correct_simple", "correct_extended",
              "get_variants_simple", "get_variants_extended", "is_lang_tool_supports", "__init__",
              "dialog errors", "dialog update", "dialog output"]
DIALOG_NAMES = ["fettler", "text", "errors_control", "update", "_check", "errors"]
METHODS = {"close": None, "check": [], "get_candidates": [(1, "a")], "autocorrect_sentence": "s w"}
VALUES = {"name": "english", "offset": 0, "errorLength": 1, "context": "ab", "message": "m", "replacements": ["x"]}
ARGUMENTS = dict(correct_simple=("ab cd",), correct_extended=("ab",), get_variants_simple=("ab",),
                 get_variants_extended=("ab",), output=("x",))
_world = {}  # the run under way, reached through a global so no hostile object keeps the engine alive


class Hostile:
    """Logs the calls into it but a key's compares (their count is the interpreter's)."""
    __hash__ = lambda self: hash(self.key)  # noqa: E731 - one-line dunders
    __eq__ = lambda self, other: self.fire("==") or other is self  # noqa: E731
    __bool__ = lambda self: self.fire("bool") or True  # noqa: E731
    __del__ = lambda self: self.fire("del")  # noqa: E731

    def __init__(self, key, fire, quiet=False):
        self.key, self.fire = key, lambda where: fire(where, quiet)

    def __getattr__(self, name):
        if name not in METHODS and name not in VALUES:
            raise AttributeError(name)
        if name in METHODS:  # a fresh copy of the result per call
            return lambda *args, **kwargs: (self.fire(name), METHODS[name] and type(METHODS[name])(METHODS[name]))[1]
        return self.fire(name) or VALUES[name]


def act(kind, name):
    w = _world
    engine, F, imitation = w["engine"][0], w["F"], lambda *args, **kwargs: (kind, name)
    {"call": lambda: getattr(engine, name)(*ARGUMENTS.get(name, ())), "delete": lambda: delattr(F, name),
     "replace": lambda: setattr(F, name, imitation), "property": lambda: setattr(F, name, property(imitation)),
     "pop": lambda: vars(engine).pop(name, None), "set": lambda: vars(engine).__setitem__(name, (kind, name)),
     "clear": lambda: vars(engine).clear(), "class": lambda: setattr(engine, "__class__", w["Sub"]),
     "bases": lambda: setattr(w["Sub"], "__bases__", (w["Sub2"],)), "no global": lambda: delattr(w["module"], name),
     "global": lambda: setattr(w["module"], name, imitation), "builtin": lambda: setattr(builtins, name, imitation),
     "dialog pop": lambda: vars(w["dialog"]).pop(name, None)}[kind]()


def operate(name, how, config):
    """The dialog's `name`, or the engine's: looked up (`get`), or taken from the class's __dict__
    and called on the engine, the class modified first (`retag`) or not (`own`), or on a bare instance."""
    w, args = _world, (config,) if name == "__init__" else ARGUMENTS.get(name.split(" ")[-1], ())
    if name.startswith("dialog "):  # errors is a property
        return w["dialog"].errors if name == "dialog errors" else getattr(w["dialog"], name[7:])(*args)
    if how == "get":
        return getattr(w["engine"][0], name) if name.startswith("is_") else getattr(w["engine"][0], name)(*args)
    F, function = w["F"], vars(w["F"])[name]
    if how != "own":  # drops the class's version tag until its next look-up (the class is this case's)
        F.scratch = None
    self = object.__new__(F) if how == "bare" else w["engine"][0]
    return function.__get__(self) if name.startswith("is_") else function(self, *args)


def hostile_case(target):
    """Mostly one name for the keys, the action and the operations (or its caller): so they meet."""
    named = mostly(st.just(target), st.sampled_from(NAMES), 7)
    usual = [CALLERS.get(target, target)] if CALLERS.get(target, target) in OPERATIONS else OPERATIONS
    site = mostly(st.tuples(st.just("key"), named), st.one_of(
        st.tuples(st.just("attribute"), named), st.tuples(st.just("dialog key"), st.sampled_from(DIALOG_NAMES)),
        st.tuples(st.just("fake"), st.sampled_from(["Speller.get_candidates", "LanguageTool.check"]))), 6)
    action = mostly(st.tuples(st.sampled_from(["delete", "replace"]), named), st.one_of(
        st.tuples(st.sampled_from(["property", "pop", "set"]), named),
        st.tuples(st.just("call"), st.sampled_from(["next_language", "close", "correct_simple"])),
        st.tuples(st.sampled_from(["clear", "class", "bases"]), st.just("")),
        st.tuples(st.just("builtin"), st.sampled_from(["sorted", "next"])),
        st.tuples(st.sampled_from(["global", "no global"]), st.sampled_from(["cycle", "Speller", "lt_correct"])),
        st.tuples(st.just("dialog pop"), st.sampled_from(DIALOG_NAMES))), 5)
    operation = st.tuples(mostly(st.sampled_from(usual), st.sampled_from(OPERATIONS), 6),
                          st.sampled_from(["get", "get", "own", "retag", "bare"]))
    return st.fixed_dictionaries({
        "required": st.lists(st.sampled_from(["english", "german", "hostile"]), min_size=1, max_size=4),
        "default": st.sampled_from(["english", "german", "hostile", "french"]), "subclass": st.booleans(),
        "sites": st.lists(site, min_size=1, max_size=2), "action": action, "arm": st.integers(0, 3),
        "times": st.integers(1, 2), "operations": st.lists(operation, min_size=2, max_size=5)})


cases = mostly(st.sampled_from(list(CALLERS)), st.sampled_from(NAMES), 5).flatmap(hostile_case)


class Control:
    value, items, selection = None, (), 0
    SetValue, Set = (lambda self, v: setattr(self, "value", v)), (lambda self, i: setattr(self, "items", list(i)))
    GetValue, GetSelection = (lambda self: self.value), (lambda self: self.selection)
    Clear, SetFocus = (lambda self: self.Set([])), (lambda self: None)


def run(case, module, main, companions, recorder):
    recorder.reset()
    gc.collect()  # the earlier runs' engines, in cycles through their rotations, die now, not during this run
    module = importlib.util.module_from_spec(module.__spec__)
    module.__spec__.loader.exec_module(module)
    log, stage, fired, saved = [], [0], [0], {name: getattr(builtins, name) for name in ("sorted", "next")}

    def fire(where, quiet):
        if _world.get("log") is not log:
            return  # the run is over: a finaliser running late changes nothing
        if not quiet:
            log.append(where)
        if stage[0] >= case["arm"] and fired[0] < case["times"]:
            fired[0] += 1
            log.append(("acted", outcome(lambda: act(*case["action"]), describe)))

    F, L = module.Fettler, companions["types"].Languages
    Sub, Sub2 = type("Sub", (F,), {}), type("Sub2", (F,), {"close": lambda self: "Sub2 close"})
    dialog = type("Dialog", (), {n: vars(main.FettleGUI)[n] for n in ("errors", "update", "output", "_check")})()
    pick = {"english": L.english, "german": L.german, "hostile": Hostile("language", fire), "french": L.french}
    config = companions["config"].Config(tuple(pick[n] for n in case["required"]), pick[case["default"]])
    dialog.text, dialog.errors_control = Control(), Control()
    dialog.fettler = object.__new__((F, Sub)[case["subclass"]])
    _world.update(log=log, engine=[dialog.fettler], F=F, Sub=Sub, Sub2=Sub2, module=module, dialog=dialog)
    del pick, F
    places = {"key": lambda name: vars(_world["engine"][0]).__setitem__(Hostile(name, fire, True), 1),
              "dialog key": lambda name: vars(dialog).__setitem__(Hostile(name, fire, True), 1),
              "attribute": lambda name: setattr(_world["engine"][0], name, [Hostile(name, fire)] if name == "matches"
                                                else Hostile(name, fire)),
              "fake": lambda name: recorder.program(name, call=lambda *a, **k: getattr(Hostile(name, fire),
                                                                                       name.split(".")[1])())}
    try:
        steps = [("construct", outcome(lambda: _world["engine"][0].__init__(config), describe))]
        steps += [(kind, outcome(lambda: places[kind](name), describe)) for kind, name in case["sites"]]
        for name, how in case["operations"]:
            stage[0] += 1
            steps.append((name, how, outcome(lambda: operate(name, how, config), describe)))
        return steps + [("back-end calls", [(c.name, describe(c.args)) for c in recorder.calls]), ("hostile", log)]
    finally:
        _world.clear()
        for name, value in saved.items():
            setattr(builtins, name, value)


@pytest.fixture(scope="module")
def dialog_modules(gui_main_module, reference_gui_main_module):
    app = types.SimpleNamespace(IsScheduledForDestruction=lambda window: False)
    with pytest.MonkeyPatch.context() as patch:
        for main in (gui_main_module, reference_gui_main_module):
            patch.setattr(main, "api", types.SimpleNamespace(copyToClip=lambda text, notify=True: None))
            patch.setattr(main, "wx", types.SimpleNamespace(GetApp=lambda: app, NOT_FOUND=main.wx.NOT_FOUND,
                                                                Window=main.wx.Window))
        yield gui_main_module, reference_gui_main_module


@seeded(200)
@given(case=cases)
def test_hostile_calls_agree_with_the_reference(case, fettler_module, reference_fettler_module, dialog_modules,
                                                companions, reference_companions, fakes, reference_fakes):
    compiled = run(case, fettler_module, dialog_modules[0], companions, fakes)
    reference = run(case, reference_fettler_module, dialog_modules[1], reference_companions, reference_fakes)
    assert_same(compiled, reference)
