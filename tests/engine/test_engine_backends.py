"""Construction, the lazily built back-ends, `close`, the support properties,
module globals read at use, and re-entrant calls; each both on the module
as first imported and on a second module object of the same file, imported
again beside it."""
import builtins
import importlib
import sys
import textwrap
import types
from pathlib import Path

import pytest

from .conftest import Lang, raised, refcount_stable
from .test_engine_shape import run_python

REPO = Path(__file__).resolve().parents[2]


@pytest.fixture(params=["first", "imported-again"])
def fettler_module(request, fettler_module):
    if request.param == "first":
        yield fettler_module
        return
    name = fettler_module.__name__
    package = sys.modules[name.rpartition(".")[0]]
    del sys.modules[name]
    try:
        again = importlib.import_module(name)
        assert again is not fettler_module and again.Fettler is not fettler_module.Fettler
        yield again
    finally:
        sys.modules[name] = fettler_module
        package.fettler = fettler_module


class Boom(BaseException):
    """Not even an Exception: the support properties still swallow it."""


def test_new_engine(make_engine, Config, L, fakes):
    config = Config([L.english, L.german, L.russian], L.german)
    engine = type(make_engine())(config)
    assert engine.config is config and engine.current_language is L.german
    assert engine.speller is None and engine.lang_tool is None
    assert type(engine.text) is str and engine.text == ""
    assert type(engine.matches) is list and engine.matches == []
    assert engine.matches is not make_engine().matches
    assert fakes.calls == []  # no back-end before a check needs one


class CountingConfig:
    def __init__(self, required, default):
        self._required, self._default, self.reads = required, default, []

    @property
    def required_languages(self):
        self.reads.append("required_languages")
        return self._required

    @property
    def lang_default(self):
        self.reads.append("lang_default")
        return self._default


def test_constructor_steps_in_order(Fettler):
    log, eqs = [], []

    class Logged(Fettler):
        def __setattr__(self, name, value):
            log.append(name)
            super().__setattr__(name, value)

        def _languages(self):
            log.append("_languages()")
            return super()._languages()

    a, b, c = Lang("english", log=eqs), Lang("german", log=eqs), Lang("russian", log=eqs)
    default = Lang("german")
    config = CountingConfig([a, b, c], default)
    engine = Logged(config)
    assert log == ["config", "speller", "lang_tool", "text", "matches", "current_language",
                   "_languages()", "_next_language", "current_language"]
    # the default is read afresh for each comparison; the rotation's item is on the left
    assert config.reads == ["required_languages", "lang_default", "lang_default"]
    assert eqs == [(a, default), (b, default)]
    assert engine.current_language is b  # the configured item, not the default object


def test_init_speller_and_lang_tool_build_once_until_close(engine, fakes):
    assert engine.init_speller() is None and engine.init_speller() is None
    assert engine.init_lang_tool() is None and engine.init_lang_tool() is None
    assert [(c.name, c.args, c.kwargs) for c in fakes.calls] == [
        ("Speller", (), {"lang": "de"}), ("LanguageTool", ("de-DE",), {})]
    speller, tool = engine.speller, engine.lang_tool
    assert speller is fakes.calls[0].target and tool is fakes.calls[1].target
    engine.init_speller()  # an existing back-end stays, whatever the language
    assert engine.speller is speller and len(fakes.calls) == 2


@pytest.mark.parametrize("built", [(), ("speller",), ("lang_tool",), ("speller", "lang_tool")])
def test_close(engine, fakes, built):
    for name in built:
        getattr(engine, "init_" + name)()
    tool = engine.lang_tool
    before = {k: v for k, v in vars(engine).items() if k not in ("speller", "lang_tool")}
    del fakes.calls[:]
    assert engine.close() is None
    engine.close()  # a second close finds nothing left to close
    assert [(c.name, c.target) for c in fakes.calls] == ([("LanguageTool.close", tool)] if tool else [])
    assert engine.speller is None and engine.lang_tool is None
    assert all(getattr(engine, k) is v for k, v in before.items())
    engine.init_speller()
    engine.init_lang_tool()
    assert fakes.names()[-2:] == ["Speller", "LanguageTool"]  # built anew after close


class Falsy:
    closed = 0

    def __bool__(self):
        return False

    def close(self):
        self.closed += 1


def test_falsy_back_end_is_rebuilt_and_not_closed(engine, fettler_module, monkeypatch):
    built = []
    monkeypatch.setattr(fettler_module, "Speller", lambda **kw: built.append(kw) or Falsy())
    monkeypatch.setattr(fettler_module, "LanguageTool", lambda code: built.append(code) or Falsy())
    for _ in range(2):
        engine.init_speller()
        engine.init_lang_tool()
    assert built == [{"lang": "de"}, "de-DE"] * 2
    speller, tool = engine.speller, engine.lang_tool
    engine.close()
    assert engine.speller is speller and engine.lang_tool is tool and tool.closed == 0


def test_back_end_truth_test_failure_propagates(engine, fettler_module, monkeypatch):
    class Hostile:
        def __bool__(self):
            raise RuntimeError("no truth")
    monkeypatch.setattr(fettler_module, "Speller", lambda **kw: Hostile())
    engine.init_speller()
    for call in (engine.init_speller, engine.close, lambda: engine.correct_simple("x")):
        assert raised(call) == (RuntimeError, "no truth")
    assert engine.text == ""  # correct_simple failed at its first step


@pytest.mark.parametrize("lang, autocorrect, lang_tool", [
    ("english", True, True), ("french", True, False), ("esperanto", False, True)])
def test_support_properties(make_engine, L, fakes, lang, autocorrect, lang_tool):
    engine = make_engine([getattr(L, lang)], getattr(L, lang))
    assert engine.is_autocorrect_supports is autocorrect and engine.is_lang_tool_supports is lang_tool
    assert fakes.calls == []


class StrName(str):
    pass


class Named:
    """A language whose `name` is the given value, or raises it."""

    def __init__(self, name):
        self._name = name

    @property
    def name(self):
        if isinstance(self._name, BaseException):
            # a fresh traceback each time, so that repeated failures hold nothing
            raise self._name.with_traceback(None)
        return self._name


PROPERTIES = ["is_autocorrect_supports", "is_lang_tool_supports"]


@pytest.mark.parametrize("prop", PROPERTIES)
def test_support_properties_with_a_str_subclass_name(make_engine, L, prop):
    engine = make_engine([L.german], L.german)
    engine.current_language = Named(StrName("german"))
    assert getattr(engine, prop) is True


@pytest.mark.parametrize("language, expected", [
    (None, (AttributeError, "'NoneType' object has no attribute 'name'")),
    (Named(RuntimeError("no name")), (RuntimeError, "no name")),
    (Named(5), (TypeError, "hasattr(): attribute name must be string")),
], ids=["no language", "name fails", "name not a str"])
@pytest.mark.parametrize("prop", PROPERTIES)
def test_support_properties_when_the_name_fails(make_engine, L, language, expected, prop):
    engine = make_engine([L.german], L.german)
    engine.current_language = language
    assert raised(getattr, engine, prop) == expected
    assert refcount_stable(lambda: getattr(engine, prop), engine.current_language)


@pytest.mark.parametrize("error", [AttributeError, RuntimeError, Boom])
def test_support_lookup_failure_is_false(engine, fettler_module, monkeypatch, error):
    class Table:
        def __getattribute__(self, name):
            raise error(name)
    for name in ("ac_types", "lt_types"):
        monkeypatch.setattr(fettler_module, name, types.SimpleNamespace(Languages=Table()))
    assert engine.is_autocorrect_supports is False and engine.is_lang_tool_supports is False


@pytest.mark.parametrize("init", ["init_speller", "init_lang_tool"])
def test_init_failures_leave_back_end_absent(make_engine, fettler_module, companions, L, fakes, init):
    table = (companions["autocorrect.types"] if init == "init_speller"
             else companions["language_tool_python.types"]).Languages
    missing = "esperanto" if init == "init_speller" else "french"
    attr = "speller" if init == "init_speller" else "lang_tool"
    engine = make_engine([getattr(L, missing)], getattr(L, missing))
    for _ in range(2):  # nothing stored, so the next call fails the same way
        assert raised(getattr(engine, init)) == raised(getattr, table, missing)
    engine.current_language = None
    assert raised(getattr(engine, init))[0] is AttributeError
    engine.current_language = Lang(5)
    assert raised(getattr(engine, init)) == raised(getattr, table, 5)
    engine.current_language = L.english
    backend = "Speller" if init == "init_speller" else "LanguageTool"
    fakes.program(backend, raises=OSError("cannot start"))
    assert raised(getattr(engine, init)) == (OSError, "cannot start")
    assert getattr(engine, attr) is None
    assert refcount_stable(getattr(engine, init), engine, L.english)
    fakes.program(backend)
    getattr(engine, init)()
    assert getattr(engine, attr) is fakes.of(backend)[-1].target


def test_failing_grammar_close(engine, fakes):
    engine.init_speller()
    engine.init_lang_tool()
    tool = engine.lang_tool
    fakes.program("LanguageTool.close", raises=OSError("stuck"))
    assert raised(engine.close) == (OSError, "stuck")
    assert engine.speller is None and engine.lang_tool is tool


def test_close_recursing_into_itself_raises_recursion_error(engine):
    engine.lang_tool = engine  # close() calls self.lang_tool.close(): itself, with no Python frame between
    with pytest.raises(RecursionError):
        engine.close()


def test_module_globals_are_read_when_used_after_the_dialog_module(addon_dir):
    """Each of the two libraries counts its own watcher's events, whichever
    module an interpreter imports first (fresh interpreter: gui.main first)."""
    code = f"""
        import json, sys
        # the host's stand-ins, and the stand-in wx where no wxPython is installed
        sys.path += [{str(REPO / "standins" / "host")!r}, {str(REPO / "standins" / "fake_wx")!r}]
        import fettle_addon.gui.main
        from fettle_addon import fettler
        from fettle_addon.config import Config
        from fettle_addon.types import Languages as L
        e = fettler.Fettler(Config([L.english], L.english))
        e.correct_simple("x")
        fettler.Speller = lambda lang: type("S", (), {{"autocorrect_word": lambda self, text: "new"}})()
        e.speller = None
        print(json.dumps(e.correct_simple("x")))
    """
    assert run_python(addon_dir, code) == "new"


@pytest.mark.parametrize("read_before", [False, True], ids=["first-read", "read-before"])
@pytest.mark.parametrize("builtins_in", ["module", "builtins"])
def test_module_globals_are_read_when_used(make_engine, engine, fettler_module, monkeypatch, fakes, read_before,
                                           builtins_in):
    if read_before:  # every global and builtin read once before it is replaced: the next read sees the new one
        other = make_engine()
        for op in ("correct_simple", "correct_extended", "get_variants_simple"):
            getattr(other, op)("w")
        assert other.is_autocorrect_supports and other.is_lang_tool_supports and other.next_language()
        fakes.reset()
    seen = []
    ns = types.SimpleNamespace
    monkeypatch.setattr(fettler_module, "ac_types", ns(Languages=ns(german=ns(value="ac-de"))))
    monkeypatch.setattr(fettler_module, "lt_types", ns(Languages=ns(german=ns(value="lt-de"))))
    monkeypatch.setattr(fettler_module, "Speller", lambda *a, **k: seen.append(("Speller", a, k)) or ns(
        get_candidates=lambda w: [(2, "b"), (1, "a")], autocorrect_word=lambda t: "w"))
    monkeypatch.setattr(fettler_module, "LanguageTool", lambda *a, **k: seen.append(("LanguageTool", a, k)) or ns(
        check=lambda t: ["m"], close=lambda: seen.append("close")))
    monkeypatch.setattr(fettler_module, "lt_correct", lambda t, m: seen.append(("lt_correct", t, m)) or "fixed")
    assert engine.is_autocorrect_supports and engine.is_lang_tool_supports
    assert engine.correct_simple("x") == "w" and engine.correct_extended("y") == "fixed"
    assert seen == [("Speller", (), {"lang": "ac-de"}), ("LanguageTool", ("lt-de",), {}),
                    ("lt_correct", "y", ["m"])]
    assert fakes.calls == []
    # built-ins looked up by name: a module global of that name takes precedence, and a replaced builtin counts
    # (put back at once by hand: the test runner and contextlib call these builtins themselves)
    where = fettler_module if builtins_in == "module" else builtins

    def replaced(name, value, call):
        if read_before:
            call()
        before = vars(where).get(name, missing := object())
        setattr(where, name, value)
        try:
            return call()
        finally:
            if before is missing:
                delattr(where, name)
            else:
                setattr(where, name, before)

    keys = []

    def sort(it, key):
        key.call = len(keys)  # each call's key is a lambda of its own
        keys.append(key)
        return list(it)

    variants = replaced("sorted", sort, lambda: [engine.get_variants_simple("z") for _ in range(2)])
    language = replaced("next", lambda gen: "elsewhere", engine.next_language)
    assert variants == [["b", "a"]] * 2 and [key.call for key in keys] == [0, 1]
    assert language == "elsewhere" and engine.current_language == "elsewhere"


def test_sorted_read_after_the_back_end_ran(engine, monkeypatch):
    """`candidates = ...get_candidates(word)` is a statement of its own, run
    before sorted() is read: a back-end that replaces it is honoured."""
    engine.speller = types.SimpleNamespace(get_candidates=lambda word: monkeypatch.setattr(
        builtins, "sorted", lambda items, key: [(0, "late")]) or [(1, "a")])
    assert engine.get_variants_simple("ab") == ["late"]


def test_cycle_global_used_at_first_advance(make_engine, fettler_module, L, monkeypatch):
    required = [L.english, L.german]
    calls = []
    monkeypatch.setattr(fettler_module, "cycle", lambda it: calls.append(it) or iter([L.russian, L.german]))
    engine = make_engine(required, L.german)
    assert calls == [required] and calls[0] is required
    assert raised(engine.next_language) == (StopIteration, "")
    gen = engine._languages()
    assert len(calls) == 1  # not before the generator is advanced
    assert next(gen) is L.russian and len(calls) == 2


def test_reentrant_calls(engine, fakes):
    # Speller's construction re-enters init_speller: the outer one is stored last.
    fakes.program("Speller", call=lambda **kw: len(fakes.of("Speller")) == 1 and engine.init_speller())
    engine.init_speller()
    assert len(fakes.of("Speller")) == 2 and engine.speller is fakes.of("Speller")[0].target
    # the grammar back-end's close re-enters close: it is closed twice, then dropped
    engine.init_lang_tool()
    fakes.program("LanguageTool.close", call=lambda: len(fakes.of("LanguageTool.close")) == 1 and engine.close())
    engine.close()
    assert len(fakes.of("LanguageTool.close")) == 2 and engine.lang_tool is None
    # a check re-enters the engine's correction with another text
    def check(text):
        if text == "outer":
            assert engine.correct_extended("inner") == "INNER"
        return [text]
    fakes.program("LanguageTool.check", call=check)
    fakes.program("correct", call=lambda text, matches: text.upper())
    assert engine.correct_extended("outer") == "OUTER"
    # the outer call set `text` before the inner one ran, and `matches` after it
    assert engine.text == "inner" and engine.matches == ["outer"]
    # suggestions that move the engine to the next language while they run
    fakes.program("Speller.get_candidates", call=lambda w: engine.next_language() and [(0, w)])
    assert engine.get_variants_simple("w") == ["w"]
    assert engine.speller is None and engine.current_language.name == "russian"


HOSTILE = """
    import json
    from fettle_addon.config import Config
    from fettle_addon.fettler import Fettler as F
    from fettle_addon.types import Languages as L
    log = []
    def outcome(call):
        try:
            return str(call())
        except Exception as e:
            return type(e).__name__
    if name is None:  # a class nothing has looked up yet
        print(json.dumps([outcome(lambda: F.__dict__["next_language"](object.__new__(F)))]))
        raise SystemExit
    class Evil:  # a key of the instance __dict__ that a look-up of `name` compares
        armed = False
        def __hash__(self): return hash(name)
        def __eq__(self, other):
            if Evil.armed:
                Evil.armed = False
                exec(change)
            return False
    e = F(Config([L.english, L.german, L.russian], L.german))
    e.next_language(), e.next_language()  # every cache filled
    e.__dict__[Evil()] = Evil.armed = True
    print(json.dumps([outcome(lambda: eval(op)) for _ in range(2)] + log))
"""


@pytest.mark.parametrize("name, change, op, expected", [
    (None, None, None, ["AttributeError"]),
    ("close", "del F.close", "e.next_language()", ["Languages.german", "AttributeError"]),
    ("close", "F.close = lambda self: log.append('new')", "e.next_language()",
     ["Languages.german", "Languages.russian", "new"]),
    ("init_speller", "del F.init_speller", "e.correct_simple('w')", ["w", "AttributeError"]),
    ("init_lang_tool", "F.init_lang_tool = lambda self: log.append('new')", "e.get_variants_extended('w')",
     ["IndexError", "IndexError", "new"]),
    # a second key, equal at its first comparison only: what the look-up
    # found in the __dict__ is called
    ("close", "e.__dict__[type('Once', (), {'__hash__': lambda k: hash(name), '__eq__': lambda k, o: log.append('eq') or"
     " len(log) == 1})()] = lambda: log.append('shadow')", "e.next_language()",
     ["Languages.german", "Languages.russian", "eq", "shadow", "eq"]),
    # a plain name missing from the instance __dict__: the class's look-up,
    # done before the __dict__'s, found nothing, whatever the key then does
    ("speller", "F.speller = property(lambda self: 'P')", "e.__dict__.pop('speller', 0) or e.init_speller()",
     ["AttributeError", "None"]),
    ("speller", "d = dict(e.__dict__); d['speller'] = 'D'; e.__dict__ = d",
     "e.__dict__.pop('speller', 0) or e.init_speller()", ["AttributeError", "D"]),
])
def test_class_changed_during_its_own_look_up(addon_dir, name, change, op, expected):
    """In a fresh interpreter each (the class's changes stay there): a
    method found on the class, then the class changed by a key of the
    instance __dict__ compared before the call: the method found is called,
    the change seen at the next look-up, as in Python.  First, a method of a
    class nothing has looked up yet."""
    code = f"name, change, op = {name!r}, {change!r}, {op!r}" + textwrap.dedent(HOSTILE)
    assert run_python(addon_dir, code) == expected


def test_a_class_key_that_is_not_a_str_is_compared_only_where_python_compares_it(addon_dir):
    """A key of the class's dict with the hash of `text`: Python's look-ups
    of the names read below never compare it, the class changed or not."""
    code = textwrap.dedent("""
        import gc, json
        from fettle_addon.config import Config
        from fettle_addon.fettler import Fettler as F
        from fettle_addon.types import Languages as L
        compared = []
        class Key:
            def __hash__(self): return hash("text")
            def __eq__(self, other): compared.append(other); return False
        e = F(Config([L.english, L.german, L.russian], L.german))
        [d for d in gc.get_referents(F.__dict__) if isinstance(d, dict)][0][Key()] = 1
        for i in range(3):
            F.junk = i
            e.is_lang_tool_supports, e.next_language()
        print(json.dumps(compared))
    """)
    assert run_python(addon_dir, code) == []
