"""The hunt for crashes where the modules call out to Python, against the
plain-Python rendering: one hostile object (a dict key whose hash is an
attribute's name's, a configured language, a back-end or a match left in
the engine, a back-end the fakes hand out, a finaliser) runs the case's
action at the calls the case picks: it calls the engine, or changes the
class, the instance's __dict__ or __class__, a subclass's __bases__, a
module global or a builtin.  Both implementations must agree on every
result and exception and on every call made into the hostile object, and
the compiled one must not crash.  Each run puts the classes and modules it
touched back as they were.  Seeds and case counts: see tests/differential.py.
"""
import builtins
import gc
import types

import pytest
from hypothesis import given, strategies as st

from differential import assert_same, mostly, outcome, seeded
from .test_engine_differential import describe

NAMES = ["close", "speller", "lang_tool", "text", "matches", "current_language", "_next_language", "config",
         "next_language", "init_speller", "correct_simple", "get_variants_extended", "is_lang_tool_supports"]
DIALOG_NAMES = ["fettler", "text", "errors_control", "update", "_check", "errors"]
METHODS = {"close": None, "check": [], "get_candidates": [(1, "a")], "autocorrect_word": "w",
           "autocorrect_sentence": "s w"}
VALUES = {"name": "english", "offset": 0, "errorLength": 1, "context": "ab", "message": "m", "replacements": ["x"]}
ARGUMENTS = {"correct_simple": ("ab cd",), "correct_extended": ("ab",), "get_variants_simple": ("ab",),
             "get_variants_extended": ("ab",), "output": ("x",)}
_world = {}  # the run under way, reached through a global so no hostile object keeps the engine alive


class Hostile:
    """Logs every call made into it (==, bool, an attribute, a back-end's
    method, its finaliser) and runs the action at the first calls into any
    hostile object in the operations the case picks.  A dict key's compares
    are not logged: how many a look-up makes depends on what the interpreter
    has specialised so far, in plain Python too."""

    def __init__(self, key, fire, quiet=False):
        self.key, self.fire = key, lambda where: fire(where, quiet)

    def __hash__(self):
        return hash(self.key)

    def __eq__(self, other):
        self.fire("==")
        return other is self

    def __bool__(self):
        self.fire("bool")
        return True

    def __getattr__(self, name):
        if name in METHODS:
            return lambda *args, **kwargs: (self.fire(name), METHODS[name] and type(METHODS[name])(METHODS[name]))[1]
        if name not in VALUES:
            raise AttributeError(name)
        self.fire(name)
        return VALUES[name]

    def __del__(self):
        self.fire("del")


def act(kind, name):
    w = _world
    engine, F = w["engine"][0], w["F"]
    if kind == "call":
        return describe(getattr(engine, name)(*ARGUMENTS.get(name, ())))
    changes = {
        "delete": lambda: delattr(F, name),
        "replace": lambda: setattr(F, name, lambda self, *args, **kwargs: ("replaced", name)),
        "property": lambda: setattr(F, name, property(lambda self: ("property", name))),
        "pop": lambda: vars(engine).pop(name, None),
        "set": lambda: vars(engine).__setitem__(name, ("instance", name)),
        "clear": lambda: vars(engine).clear(),
        "class": lambda: setattr(engine, "__class__", w["Sub"]),
        "bases": lambda: setattr(w["Sub"], "__bases__", (w["Sub2"],)),
        "global": lambda: setattr(w["module"], name, lambda *args, **kwargs: ("global", name)),
        "no global": lambda: delattr(w["module"], name),
        "builtin": lambda: setattr(builtins, name, lambda *args, **kwargs: ("builtin", name)),
        "dialog pop": lambda: vars(w["dialog"]).pop(name, None),
    }
    changes[kind]()


def hostile_case(target):
    """The case's strategy: the names the hostile keys collide with and the
    names the action changes are mostly the same one, `target`."""
    named = mostly(st.just(target), st.sampled_from(NAMES), 6)
    actions = st.one_of(
        st.tuples(st.just("call"), st.sampled_from(["next_language", "close", "init_speller", "correct_simple"])),
        st.tuples(st.sampled_from(["delete", "replace", "property", "pop", "set"]), named),
        st.tuples(st.sampled_from(["clear", "class", "bases"]), st.just("")),
        st.tuples(st.sampled_from(["global", "no global"]),
                  st.sampled_from(["cycle", "Speller", "LanguageTool", "lt_correct", "ac_types", "lt_types"])),
        st.tuples(st.just("builtin"), st.sampled_from(["sorted", "next"])),
        st.tuples(st.just("dialog pop"), st.sampled_from(DIALOG_NAMES)))
    sites = st.one_of(
        st.tuples(st.sampled_from(["key", "attribute"]), named),
        st.tuples(st.just("dialog key"), st.sampled_from(DIALOG_NAMES)),
        st.tuples(st.just("fake"), st.sampled_from(["Speller.get_candidates", "Speller.autocorrect_sentence",
                                                    "LanguageTool.check", "LanguageTool.close"])))
    operations = st.lists(st.tuples(mostly(st.sampled_from([target] if target in OPERATIONS else OPERATIONS),
                                           st.sampled_from(OPERATIONS), 4), st.booleans()), min_size=1, max_size=6)
    return st.fixed_dictionaries({
        "required": st.lists(st.sampled_from(["english", "german", "hostile"]), min_size=1, max_size=5),
        "container": st.sampled_from([list, tuple]), "default": st.sampled_from(["english", "german", "hostile", "french"]),
        "subclass": st.booleans(), "new": st.sampled_from(["own", "object"]), "sites": st.lists(sites, max_size=2),
        "action": actions, "when": st.sets(st.integers(0, 6), min_size=1, max_size=3), "times": st.integers(1, 2),
        "operations": operations})


OPERATIONS = ["next_language", "close", "init_speller", "init_lang_tool", "correct_simple", "correct_extended",
              "get_variants_simple", "get_variants_extended", "is_lang_tool_supports", "__init__",
              "dialog errors", "dialog update", "dialog output"]
cases = st.sampled_from(NAMES).flatmap(hostile_case)


class Control:
    value, items, selection = None, (), 0

    def SetValue(self, value):
        self.value = value

    def GetValue(self):
        return self.value

    def Clear(self):
        self.items = []

    def Set(self, items):
        self.items = list(items)

    def GetSelection(self):
        return self.selection

    def SetFocus(self):
        pass


def run(case, module, main, companions, recorder):
    recorder.reset()
    gc.collect()  # the earlier runs' engines, in cycles through their rotations, die now, not during this run
    log, stage, fired = [], [0], {}

    def fire(where, quiet):
        if _world.get("log") is not log:
            return  # the run is over: a finaliser running late changes nothing
        if not quiet:
            log.append(where)
        if stage[0] in case["when"] and fired.setdefault(stage[0], 0) < case["times"]:
            fired[stage[0]] += 1
            log.append(("acted", outcome(lambda: act(*case["action"]), describe)))

    F = module.Fettler
    Sub = type("Sub", (F,), {})
    Sub2 = type("Sub2", (F,), {"close": lambda self: "Sub2 close"})
    Dialog = type("Dialog", (), {name: vars(main.FettleGUI)[name] for name in ("errors", "update", "output", "_check")})
    saved = [(ns, dict(vars(ns))) for ns in (F, module, builtins, main)]
    own = dict(vars(F))
    L = companions["types"].Languages
    hostile = Hostile("language", fire)
    pick = {"english": L.english, "german": L.german, "hostile": hostile, "french": L.french}
    config = companions["config"].Config(case["container"](pick[n] for n in case["required"]), pick[case["default"]])
    cls = Sub if case["subclass"] else F
    engine = cls.__new__(cls) if case["new"] == "own" else object.__new__(cls)
    dialog = Dialog()
    dialog.fettler, dialog.text, dialog.errors_control = engine, Control(), Control()
    _world.update(log=log, engine=[engine], F=F, Sub=Sub, Sub2=Sub2, module=module, dialog=dialog)
    del engine
    places = {"key": lambda name: vars(_world["engine"][0]).__setitem__(Hostile(name, fire, True), 1),
              "dialog key": lambda name: vars(dialog).__setitem__(Hostile(name, fire, True), 1),
              "fake": lambda name: recorder.program(name, call=lambda *a, **k: getattr(Hostile(name, fire),
                                                                                       name.split(".")[1])())}
    try:
        for kind, name in case["sites"]:
            places.get(kind, lambda name: None)(name)
        steps = [("construct", outcome(lambda: _world["engine"][0].__init__(config), describe))]
        for kind, name in case["sites"]:  # the engine's own attributes, once it has set them
            if kind == "attribute":
                value = [Hostile(name, fire)] if name == "matches" else Hostile(name, fire)
                steps.append(("place", outcome(lambda: setattr(_world["engine"][0], name, value), describe)))
                del value
        for name, through_own in case["operations"]:
            stage[0] += 1
            engine = _world["engine"][0]
            if name.startswith("dialog "):
                call = (lambda: dialog.errors) if name == "dialog errors" else lambda *a: getattr(dialog, name[7:])(*a)
            elif name.startswith("is_"):
                call = (lambda: own[name].__get__(engine)) if through_own else lambda: getattr(engine, name)
            else:
                call = (lambda *a: own[name].__get__(engine)(*a)) if through_own else lambda *a: getattr(engine, name)(*a)
            args = (config,) if name == "__init__" else ARGUMENTS.get(name.split(" ")[-1], ())
            steps.append((name, through_own, outcome(lambda: call(*args), describe)))
            del engine, call
        steps.append(("state", outcome(lambda: [describe(getattr(_world["engine"][0], name, "-")) for name in (
            "text", "matches", "current_language", "speller", "lang_tool")], describe)))
        steps.append(("back-end calls", [(c.name, describe(c.args)) for c in recorder.calls]))
        return steps + [("hostile", log)]
    finally:
        _world.clear()
        for ns, before in saved:
            for name in [name for name in vars(ns) if name not in before]:
                delattr(ns, name)
            for name, value in before.items():
                if vars(ns).get(name, Control) is not value:
                    setattr(ns, name, value)


@pytest.fixture(scope="module")
def dialog_modules(gui_main_module, reference_gui_main_module):
    """Both dialog modules with the host's clipboard and wx's application
    replaced: `output` then runs without a window or a clipboard."""
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
