"""The language rotation: the constructor's search, `next_language`, the
`_languages()` generator against a real Python generator, and collection."""
import collections.abc
import gc
import itertools
import weakref

import pytest

from .conftest import Lang, fresh, raised, refcount_stable


def letters(chars):
    """'ABA' -> [Lang A, Lang B, Lang A]: equal letters are equal but distinct objects."""
    return [Lang(ch) for ch in chars]


class Guarded(Lang):
    """A language whose comparisons stop an endless search with an error
    instead of hanging the test run."""

    def __eq__(self, other):
        if len(self.log) > 200:
            raise RuntimeError("endless search")
        return super().__eq__(other)

    __hash__ = object.__hash__


@pytest.mark.parametrize("chars, default, first, then", [
    ("ABC", "B", 1, [2, 0, 1, 2, 0]),
    ("ABC", "C", 2, [0, 1, 2]),
    ("A", "A", 0, [0, 0, 0]),
    ("ABA", "A", 0, [1, 2, 0, 1, 2]),
])
@pytest.mark.parametrize("one_shot", [False, True], ids=["list", "iterator"])
def test_rotation(make_engine, new_tool, chars, default, first, then, one_shot):
    items = letters(chars)
    engine = make_engine(iter(items) if one_shot else items, Lang(default))
    assert engine.current_language is items[first]
    for expected in then:
        # every step closes and drops the back-ends, whatever the language
        engine.speller, engine.lang_tool = object(), new_tool()
        tool = engine.lang_tool
        assert engine.next_language() is items[expected]
        assert engine.current_language is items[expected]
        assert engine.speller is None and engine.lang_tool is None and tool.closed == 1


@pytest.fixture
def new_tool(companions, fakes):
    return lambda: companions["language_tool_python"].LanguageTool("xx")


def test_next_language_then_check_builds_for_new_language(make_engine, L, fakes):
    engine = make_engine([L.english, L.german], L.english)
    engine.init_speller()
    engine.init_lang_tool()
    assert engine.next_language() is L.german
    engine.correct_simple("a")
    assert [(c.name, c.args, c.kwargs) for c in fakes.calls if c.name != "Speller.autocorrect_word"] == [
        ("Speller", (), {"lang": "en"}), ("LanguageTool", ("en-US",), {}), ("LanguageTool.close", (), {}),
        ("Speller", (), {"lang": "de"})]


def test_empty_rotation(make_engine, new_tool):
    engine = make_engine([], Lang("A"))
    assert engine.current_language is None
    assert raised(next, engine._next_language) == (StopIteration, "")
    for _ in range(2):
        engine.speller, engine.lang_tool = object(), new_tool()
        tool = engine.lang_tool
        assert raised(engine.next_language) == (StopIteration, "")
        assert engine.speller is None and engine.lang_tool is None and tool.closed == 1
        assert engine.current_language is None


class OwnIterator:
    def __init__(self, items):
        self.items = list(items)

    def __iter__(self):
        return self

    def __next__(self):
        if not self.items:
            raise StopIteration
        return self.items.pop(0)


@pytest.mark.parametrize("required", [lambda ls: ls, lambda ls: iter(ls), lambda ls: (x for x in ls),
                                      OwnIterator, lambda ls: ls + ls[:1]],
                         ids=["list", "iterator", "generator", "own iterator", "duplicate"])
def test_default_not_configured_raises(make_engine, Fettler, Config, required):
    """Each configured item compared once, in order, then the refusal."""
    log = []
    items = [Guarded("A", log=log), Guarded("B", log=log)]
    default = Lang("klingon")
    config = Config(required(items), default)
    refusal = "lang_default Lang('klingon') is not one of the required_languages"
    assert raised(Fettler, config) == (ValueError, refusal)
    assert [(id(a), id(b)) for a, b in log] == [(id(item), id(default)) for item in required(items)]
    assert refcount_stable(lambda: (log.clear(), Fettler(config)), default, *items)


def test_default_compared_with_eq_even_when_identical(Fettler, Config):
    """`lang == lang_default` asks the objects, as Python's == does: no
    shortcut for the very same object."""
    class Unequal(Lang):
        def __eq__(self, other):
            calls.append(other)
            return False
        __hash__ = object.__hash__

    calls = []
    item = Unequal("A")
    got = raised(Fettler, Config([item], item))
    assert got == (ValueError, "lang_default Lang('A') is not one of the required_languages")
    assert len(calls) == 1 and calls[0] is item


class Hostile(Lang):
    def __init__(self, name, result):
        super().__init__(name)
        self.result = result

    def __eq__(self, other):
        if isinstance(self.result, BaseException):
            raise self.result.with_traceback(None)
        return self.result


class NoTruth:
    def __bool__(self):
        raise LookupError("no truth")


@pytest.mark.parametrize("result, expected", [
    (KeyError("eq"), (KeyError, "'eq'")),
    (NoTruth(), (LookupError, "no truth")),
])
def test_comparison_failure_propagates(Fettler, Config, result, expected):
    items = [Lang("A"), Hostile("B", result), Lang("C")]
    config = Config(items, Lang("C"))
    assert raised(Fettler, config) == expected
    assert refcount_stable(lambda: Fettler(config), config, *items)


@pytest.mark.parametrize("config, expected", [
    (object(), AttributeError),
    (type("C", (), {"required_languages": 5, "lang_default": None})(), raised(itertools.cycle, 5)),
])
def test_bad_required_languages(Fettler, config, expected):
    got = raised(Fettler, config)
    assert got == expected or got[0] is expected
    assert refcount_stable(lambda: Fettler(config), config)


def failing_after(items, error):
    yield from items
    raise error


def test_configured_iterable_failing_before_the_default(Fettler, Config):
    config = Config(failing_after([Lang("A")], RuntimeError("midway")), Lang("B"))
    assert raised(Fettler, config) == (RuntimeError, "midway")


def test_configured_iterable_failing_after_the_default(Fettler, Config):
    a = Lang("A")
    engine = Fettler(Config(failing_after([a], RuntimeError("midway")), Lang("A")))
    assert raised(engine.next_language) == (RuntimeError, "midway")
    assert engine.current_language is a
    assert raised(engine.next_language) == (StopIteration, "")  # the failure finished the rotation


def test_failing_close_keeps_rotation(make_engine, new_tool, fakes):
    items = letters("ABC")
    engine = make_engine(items, Lang("A"))
    engine.lang_tool = new_tool()
    fakes.program("LanguageTool.close", raises=OSError("stuck"))
    assert raised(engine.next_language) == (OSError, "stuck")
    assert engine.current_language is items[0]
    fakes.program("LanguageTool.close")
    assert engine.next_language() is items[1]


def reference(config):
    """The rotation as plain Python writes it."""
    for lang in itertools.cycle(config.required_languages):
        yield lang


def play(gen, script):
    out = []
    for step in script:
        op, *args = step if isinstance(step, tuple) else (step,)
        try:
            out.append(("value", next(gen) if op == "next" else getattr(gen, op)(*fresh(args))))
        except BaseException as exc:  # noqa: B902
            out.append((type(exc), str(exc)))
    return out


@pytest.mark.parametrize("chars", ["AB", ""])
@pytest.mark.parametrize("script", [
    ["next", "next", "next", "__next__"],
    [("send", None), ("send", "ignored"), ("send", 3)],
    [("send", "x"), "next"],
    [("throw", ValueError), "next"],
    ["next", ("throw", ValueError("v")), "next"],
    ["next", ("throw", KeyError, "k"), "next"],
    ["next", ("throw", StopIteration), "next"],
    ["next", ("throw", GeneratorExit), "next"],
    [("throw", 1)],
    # the refusal names the type as the interpreter does: module-qualified
    # for a built-in type outside builtins, bare for a class statement's
    [("throw", itertools.count())],
    [("throw", collections.OrderedDict())],
    [("throw", Lang("A"))],
    ["next", ("throw", ValueError, 1, 2)],
    ["close", "next", "close"],
    ["next", "close", "close", "next", ("send", None)],
])
def test_generator_protocol_as_python(make_engine, Config, chars, script):
    config = Config(letters(chars), Lang("?"))
    engine = make_engine(letters("A"), Lang("A"))
    engine.config = config
    ours = engine._languages()
    assert isinstance(ours, collections.abc.Generator) and iter(ours) is ours
    assert play(ours, script) == play(reference(config), script)


def test_generator_body_starts_on_first_advance(engine, Config, fettler_module, monkeypatch):
    reads = []

    class Watched:
        @property
        def required_languages(self):
            reads.append("read")
            return ["x", "y"]

    calls = []
    monkeypatch.setattr(fettler_module, "cycle", lambda it: calls.append(it) or itertools.cycle(it))
    engine.config = Watched()
    first, second = engine._languages(), engine._languages()
    assert first is not second and reads == [] and calls == []
    assert next(first) == "x" and next(first) == "y" and reads == ["read"] and calls == [["x", "y"]]
    assert next(second) == "x" and next(first) == "x" and len(reads) == 2  # independent


class Reentrant:
    """A configured iterable whose next step acts on the running rotation."""

    def __init__(self, act):
        self.act, self.gen, self.seen, self.items = act, None, [], iter(["x", "y"])

    def __iter__(self):
        return self

    def __next__(self):
        if self.gen is not None:
            try:
                self.act(self.gen)
            except BaseException as exc:  # noqa: B902
                self.seen.append((type(exc), str(exc)))
        return next(self.items)


@pytest.mark.parametrize("act", [next, lambda g: g.send(None), lambda g: g.throw(KeyError), lambda g: g.close()],
                         ids=["next", "send", "throw", "close"])
def test_reentrant_advance_as_python(engine, Config, act):
    def ours(config):
        engine.config = config
        return engine._languages()

    results = []
    for make in (ours, reference):
        iterable = Reentrant(act)
        gen = make(Config(iterable, None))
        iterable.gen = gen
        results.append((play(gen, ["next", "next"]), iterable.seen))
    assert results[0] == results[1]
    assert results[0][1] == [(ValueError, "generator already executing")] * 2


def test_reentrant_next_language_from_rotation(Fettler, Config):
    engine = None

    def required():
        yield Lang("A")
        yield Lang("B")
        seen.append(raised(engine.next_language))
        yield Lang("C")
    seen = []
    engine = Fettler(Config(required(), Lang("B")))
    assert engine.next_language().name == "C"
    assert seen == [(ValueError, "generator already executing")]


def test_dropped_engine_is_collected(make_engine, Fettler, Config, L, fakes):
    engine = make_engine()
    engine.init_speller()
    engine.init_lang_tool()
    engine.next_language()
    spare = engine._languages()
    next(spare)
    refs = [weakref.ref(engine)]
    half = Fettler.__new__(Fettler)  # its constructor fails, leaving a started rotation behind
    refs.append(weakref.ref(half))
    assert raised(half.__init__, Config([L.english], L.german))[0] is ValueError
    del engine, spare, half
    gc.collect()
    assert [r() for r in refs] == [None, None]
