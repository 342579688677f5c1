"""Suggestions and corrections: what each operation asks of the back-ends,
what it returns, and what state it leaves when a step fails."""
import pytest

from differential import assert_same, outcome

from .conftest import raised


@pytest.mark.parametrize("text, method", [
    ("", "autocorrect_word"),
    ("word", "autocorrect_word"),
    ("two words", "autocorrect_sentence"),
    ("word ", "autocorrect_sentence"),
    ("a  b", "autocorrect_sentence"),
    ("a\tb\nc", "autocorrect_word"),
    ("a\u00a0b", "autocorrect_word"),
])
def test_correct_simple_chooses_by_single_spaces(engine, fakes, text, method):
    result, seen = object(), []
    fakes.program("Speller." + method, call=lambda t: seen.append(engine.text) or result)
    matches = engine.matches
    assert engine.correct_simple(text) is result
    assert fakes.names() == ["Speller", "Speller." + method]
    assert fakes.calls[1].args[0] is text and seen[0] is text  # `text` was set before the back-end ran
    assert engine.text is text and engine.matches is matches


@pytest.mark.parametrize("candidates, expected", [
    ([], []),
    ([(3, "x"), (1, "y"), (3, "z")], ["y", "x", "z"]),
    (((2, "b"), (1, "a"), (2, "c"), (1, "d")), ["a", "d", "b", "c"]),
    (lambda: iter([[0.5, "h"], [-1, "l"]]), ["l", "h"]),  # an iterator, new for each run
])
def test_get_variants_simple_sorts_by_key_only(engine, fakes, candidates, expected):
    if callable(candidates):
        candidates = candidates()
    fakes.program("Speller.get_candidates", call=lambda w: candidates)
    matches = engine.matches
    result = engine.get_variants_simple("wrod")
    assert result == expected and type(result) is list and result is not candidates
    assert fakes.names() == ["Speller", "Speller.get_candidates"]
    assert engine.text == "wrod" and engine.matches is matches


def test_get_variants_simple_never_compares_suggestions(engine, fakes):
    a, b = object(), object()  # not orderable: only the keys may be compared
    fakes.program("Speller.get_candidates", value=[(1, a), (1, b), (0, a)])
    assert engine.get_variants_simple("w") == [a, a, b]

    class BadKey:
        def __getitem__(self, i):
            raise LookupError(i)
    fakes.program("Speller.get_candidates", value=[BadKey()])
    assert raised(engine.get_variants_simple, "w") == (LookupError, "0")


def test_grammar_operations(engine, fakes, companions):
    Match = companions["language_tool_python"].Match
    first = Match(0, 3, "teh cat sat", "spelling", ["the", "tea"])
    found = [first, Match(8, 3, "teh cat sat", "style", ["sits"])]
    fakes.program("LanguageTool.check", call=lambda t: found)
    assert engine.get_variants_extended("teh") is first.replacements
    assert engine.text == "teh" and engine.matches is found
    assert engine.correct_extended("teh cat sat") == "the cat sits"
    assert engine.text == "teh cat sat" and engine.matches is found
    correct = fakes.of("correct")[0]
    assert correct.args[0] == "teh cat sat" and correct.args[1] is found
    assert fakes.names() == ["LanguageTool", "LanguageTool.check", "LanguageTool.check", "correct"]
    fakes.program("LanguageTool.check")  # nothing found: the first match does not exist
    assert raised(engine.get_variants_extended, "ok") == raised(lambda: [][0])
    assert engine.matches == [] and engine.matches is fakes.of("LanguageTool.check")[-1].result
    assert engine.text == "ok"


def test_matches_read_back_from_the_instance(Fettler, Config, L, fakes):
    log = []

    class Watched(Fettler):
        @property
        def matches(self):
            log.append("get")
            return ["read back"]

        @matches.setter
        def matches(self, value):
            log.append(("set", value))

    engine = Watched(Config([L.english], L.english))
    fakes.program("LanguageTool.check", value=["checked"])
    fakes.program("correct", call=lambda text, matches: matches)
    assert engine.correct_extended("t") == ["read back"]
    assert raised(engine.get_variants_extended, "w") == raised(getattr, "read back", "replacements")
    assert log == [("set", []), ("set", ["checked"]), "get", ("set", ["checked"]), "get"]


@pytest.mark.parametrize("replaced_on_the_class", [False, True])
def test_methods_dispatch_through_the_instance(Fettler, Config, L, fakes, replaced_on_the_class):
    calls = []

    class Sub(Fettler):
        def init_speller(self):
            calls.append("init_speller")
            super().init_speller()

        def init_lang_tool(self):
            calls.append("init_lang_tool")
            super().init_lang_tool()

        def close(self):
            calls.append("close")
            super().close()

    ops = ("get_variants_simple", "correct_simple", "correct_extended")
    if replaced_on_the_class:  # each method called through the class first, then replaced there
        overrides = {name: Sub.__dict__[name] for name in ("init_speller", "init_lang_tool", "close")}
        for name in overrides:
            delattr(Sub, name)
        warm = Sub(Config([L.english], L.english))
        for op in ops:
            getattr(warm, op)("w")
        warm.next_language()
        fakes.reset()
        for name, method in overrides.items():
            setattr(Sub, name, method)
    engine = Sub(Config([L.english], L.english))
    for op in ops:
        getattr(engine, op)("w")
    engine.next_language()
    assert calls == ["init_speller", "init_speller", "init_lang_tool", "close"]
    assert fakes.names().count("Speller") == 1  # the second check reused the back-end


@pytest.mark.parametrize("op, failing, text_changed, matches_changed", [
    ("get_variants_simple", "Speller", False, False),
    ("get_variants_simple", "Speller.get_candidates", True, False),
    ("correct_simple", "Speller", False, False),
    ("correct_simple", "Speller.autocorrect_word", True, False),
    ("get_variants_extended", "LanguageTool", False, False),
    ("get_variants_extended", "LanguageTool.check", True, False),
    ("correct_extended", "LanguageTool", False, False),
    ("correct_extended", "LanguageTool.check", True, False),
    ("correct_extended", "correct", True, True),
])
def test_failure_states(engine, fakes, companions, op, failing, text_changed, matches_changed):
    engine.text, old = "old", engine.matches
    found = [companions["language_tool_python"].Match(0, 3, "new", "", ["New"])]
    fakes.program("LanguageTool.check", value=found)
    fakes.program(failing, raises=RuntimeError("broken"))
    assert raised(getattr(engine, op), "new") == (RuntimeError, "broken")
    assert engine.text == ("new" if text_changed else "old")
    assert engine.matches == (found if matches_changed else []) and (engine.matches is old) != matches_changed
    fakes.program(failing)
    fakes.program("LanguageTool.check", value=found)
    getattr(engine, op)("again")  # a failed check leaves the engine usable
    assert engine.text == "again"


def test_no_current_language(make_engine, fakes):
    engine = make_engine([], object())
    for op in ("get_variants_simple", "get_variants_extended", "correct_simple", "correct_extended"):
        assert raised(getattr(engine, op), "x")[0] is AttributeError
        assert engine.text == "" and engine.matches == []
    assert fakes.calls == []


def _change(kind, engine, Fettler, log):
    """Makes the change `kind` to a warm engine or its class; returns what
    undoes it on the class (the engine is not used again)."""
    def logged(name, method):
        def wrapper(self, *args):
            log.append(("method", name))
            return method(self, *args)
        return wrapper

    def note(name):
        log.append(("get", name))

    if kind == "method replaced on the class":
        originals = {name: Fettler.__dict__[name] for name in ("init_speller", "init_lang_tool", "close")}
        for name, method in originals.items():
            setattr(Fettler, name, logged(name, method))
        return lambda: [setattr(Fettler, name, method) for name, method in originals.items()]
    if kind == "method shadowed by the instance":
        engine.init_lang_tool = lambda: log.append(("instance", "init_lang_tool"))
        engine.close = lambda: log.append(("instance", "close"))
        return lambda: None
    if kind == "property on the class":
        def set_matches(self, value):
            log.append(("set", "matches"))
            self.__dict__["_m"] = value
        Fettler.matches = property(lambda self: note("matches") or self.__dict__["_m"], set_matches)
        return lambda: delattr(Fettler, "matches")
    if kind == "__getattribute__ on the class":
        Fettler.__getattribute__ = lambda self, name: note(name) or object.__getattribute__(self, name)
        return lambda: delattr(Fettler, "__getattribute__")

    class Sub(Fettler):
        pass
    if kind == "property text on a subclass":
        def set_text(self, value):
            log.append(("set", "text", value))
            self.__dict__["_t"] = value
        Sub.text = property(lambda self: note("text") or self.__dict__["_t"], set_text)
    elif kind == "__getattribute__ on a subclass":
        Sub.__getattribute__ = lambda self, name: note(name) or object.__getattribute__(self, name)
    elif kind == "__setattr__ on a subclass":
        Sub.__setattr__ = lambda self, name, value: log.append(("set", name)) or object.__setattr__(self, name, value)
    elif kind == "__class__ reassigned":
        Sub.init_lang_tool = logged("init_lang_tool", Fettler.init_lang_tool)
        Sub.close = logged("close", Fettler.close)
    elif kind == "instance __dict__ replaced":
        engine.__dict__ = {**engine.__dict__, "lang_tool": None, "speller": None, "text": "replaced"}
        return lambda: None
    elif kind == "instance __dict__ cleared":
        engine.__dict__.clear()
        return lambda: None
    engine.__class__ = Sub
    return lambda: None


def _describe(value):
    return value if isinstance(value, (str, bool, type(None))) else type(value).__name__


def _run_changed(module, companions, fakes, kind, during):
    """A warm engine, the change made before the next operations or from
    inside the grammar back-end's next check; then each operation's outcome,
    what the change logged and the back-end calls."""
    Config, L = companions["config"].Config, companions["types"].Languages
    Match = companions["language_tool_python"].Match
    fakes.program("LanguageTool.check", value=[Match(0, 1, "w", "spelling", ["x"])])
    engine = module.Fettler(Config([L.english, L.german], L.english))
    ops = ("correct_extended", "get_variants_extended", "next_language", "get_variants_simple", "correct_simple")

    def operate(op):
        if op == "is_lang_tool_supports":
            return engine.is_lang_tool_supports
        return getattr(engine, op)() if op == "next_language" else getattr(engine, op)("w")

    for _ in range(3):  # every cache filled
        for op in ops:
            operate(op)
    log, undo = [], []
    fakes.reset()
    fakes.program("Speller.get_candidates", value=[(1, "s")])
    if during:
        def check(text):
            if not undo:
                undo.append(_change(kind, engine, module.Fettler, log))
            return [Match(0, 1, text, "spelling", ["y"])]
        fakes.program("LanguageTool.check", call=check)
    else:
        fakes.program("LanguageTool.check", value=[Match(0, 1, "w", "spelling", ["x"])])
        undo.append(_change(kind, engine, module.Fettler, log))
    try:
        steps = []
        for op in ops + ("is_lang_tool_supports",):
            result = outcome(lambda: operate(op), _describe)
            steps.append((op, result, list(log), engine.__dict__.get("text")))
            log.clear()
        return steps + [fakes.names()]
    finally:
        for step in undo:
            step()


@pytest.mark.parametrize("during", [False, True], ids=["before", "during the back-end's call"])
@pytest.mark.parametrize("kind", [
    "method replaced on the class", "method shadowed by the instance", "property on the class",
    "__getattribute__ on the class", "property text on a subclass", "__getattribute__ on a subclass",
    "__setattr__ on a subclass", "__class__ reassigned", "instance __dict__ replaced", "instance __dict__ cleared",
])
def test_changes_honoured_at_their_next_use(fettler_module, reference_fettler_module, companions,
                                            reference_companions, fakes, reference_fakes, kind, during):
    """A warm engine (whatever the compiled side keeps of its class filled),
    then a change to its class, its instance or its __dict__: every operation
    after it, and the rest of the one whose back-end call made it, does what
    the plain-Python rendering does."""
    compiled = _run_changed(fettler_module, companions, fakes, kind, during)
    reference = _run_changed(reference_fettler_module, reference_companions, reference_fakes, kind, during)
    assert_same(compiled, reference)
