"""The constructor's search for the default and the rotation's own run of
the built-in cycle: the configured object read as itertools.cycle reads it,
the refusal of a default that is not configured, and the search when
someone else advances the rotation meanwhile or `cycle` was replaced."""
import gc
import itertools
import sys
import sysconfig
import warnings
import weakref

import pytest

from .conftest import Lang, fresh, raised

REFUSAL = "lang_default {!r} is not one of the required_languages"


@pytest.fixture
def replaced_cycle(fettler_module, monkeypatch):
    """Replaces the module's `cycle` by a function that calls the built-in
    one: the rotation then iterates a real itertools.cycle object."""
    def use(module=fettler_module):
        monkeypatch.setattr(module, "cycle", lambda iterable: itertools.cycle(iterable))
    return use


@pytest.fixture(params=["tested", "reference"])
def either_module(request, fettler_module):
    """The module under test, then the plain-Python reference rendering."""
    return fettler_module if request.param == "tested" else request.getfixturevalue("reference_fettler_module")


class Logged:
    """A configured iterable that logs iter(), each next() and the release
    of its iterator, and raises `error` instead of the item at `fail_at`."""

    def __init__(self, items, log, fail_at=None, error=None):
        self.items, self.log, self.fail_at, self.error = items, log, fail_at, error

    def __iter__(self):
        self.log.append("iter")
        return LoggedIterator(self)


class LoggedIterator:
    def __init__(self, source):
        self.source, self.drawn = source, 0

    def __next__(self):
        source = self.source
        source.log.append(f"next {self.drawn}")
        if self.drawn == source.fail_at:
            self.drawn += 1
            raise source.error
        if self.drawn >= len(source.items):
            raise StopIteration
        self.drawn += 1
        return source.items[self.drawn - 1]

    def __del__(self):
        self.source.log.append("released")


@pytest.mark.parametrize("chars, default, fail_at, nexts", [
    ("ABC", "B", None, 6),
    ("AB", "A", None, 4),
    ("", "A", None, 2),
    ("ABC", "C", 1, 0),
    ("ABC", "A", 2, 3),
    ("ABC", "B", 3, 3),
], ids=["default 2nd", "default 1st", "empty", "fails before default", "fails after default",
        "fails at the end"])
def test_configured_object_read_as_cycle_reads_it(Fettler, Config, replaced_cycle, chars, default, fail_at,
                                                  nexts):
    """iter() and each next() of the configured object, its failures and the
    release of its iterator happen at the same steps as with a real
    itertools.cycle."""
    def run():
        log = []
        items = [Lang(ch) for ch in chars]
        configured = Logged(items, log, fail_at, RuntimeError("midway"))
        try:
            engine = Fettler(Config(configured, Lang(default)))
        except RuntimeError as exc:
            log.append(("constructor", str(exc)))
            return log
        log.append(("current", engine.current_language))
        for _ in range(nexts):
            got = raised(engine.next_language)
            log.append(("next_language", got or engine.current_language))
        return log

    ours = run()
    replaced_cycle()
    assert ours == run()
    if (chars, default, fail_at) == ("ABC", "B", None):  # read lazily: C only once it is due
        # released at once when exhausted, but where itertools.cycle keeps it (no GIL)
        released = [] if sysconfig.get_config_var("Py_GIL_DISABLED") else ["released"]
        assert ours[:7 + len(released)] == ["iter", "next 0", "next 1", ("current", Lang("B")),
                                            "next 2", ("next_language", Lang("C")), "next 3", *released]


def engine_holder(Fettler):
    """A constructor whose engine, of the exact class, is reachable from
    the comparisons while its __init__ runs."""
    holder = []

    def held(config):
        holder.append(Fettler.__new__(Fettler))
        holder[0].__init__(config)
    return held, holder


class Advancing(Lang):
    """A language whose comparison advances the engine's rotation by `draws`
    items the first `times` times it is asked (None: always)."""

    def __init__(self, name, log, holder, times, draws=1):
        super().__init__(name, log=log)
        self.holder, self.times, self.draws = holder, times, draws

    def __eq__(self, other):
        result = super().__eq__(other)
        if self.times is None or self.times > 0:
            self.times = None if self.times is None else self.times - 1
            if len(self.log) > 500:
                raise RuntimeError("endless search")
            for _ in range(self.draws):
                self.holder[0].next_language()
        return result

    __hash__ = object.__hash__


@pytest.mark.parametrize("chars, default, times, compared, found", [
    # the search compares each configured item once, then refuses before the first repeat
    ("AB", "X", 0, "AB", None),
    ("ABA", "X", 0, "ABA", None),
    # B drawn by the comparison of A: the search has not seen it
    ("ABC", "C", 1, "AC", "C"),
    ("AB", "B", 1, "AAB", "B"),
    ("ABC", "X", 1, "ACAB", None),
    # B drawn by every comparison of A: the search never sees it and refuses
    # once it has made as many comparisons as there are configured items
    ("AB", "B", None, "AA", None),
    # repeating items; an advance from inside a comparison, once or twice
    ("CABAB", "X", 1, "CAACAB", None),
    ("CABAB", "B", 1, "CAACAB", "B"),
    ("aBC", "C", 1, "AABC", "C"),
    ("CaBaB", "B", 1, "CAB", "B"),
])
def test_search_counts_what_it_compared(either_module, Config, replaced_cycle, chars, default, times, compared,
                                        found):
    """The comparisons and the refusal's text, the same for the module and
    the reference rendering."""
    def run():
        log = []
        Held, holder = engine_holder(either_module.Fettler)
        # "a": an A whose comparison advances twice
        items = [Advancing("A", log, holder, times, draws=1 + (ch == "a")) if ch in "Aa" else Lang(ch, log=log)
                 for ch in chars]
        lang_default = Lang(default)
        got = raised(Held, Config(iter(items), lang_default))
        assert all(other is lang_default for _, other in log)
        return got, "".join(item.name for item, _ in log), holder[0].current_language

    got, log, current = run()
    assert log == compared
    if found is None:
        assert got == (ValueError, REFUSAL.format(Lang(default)))
        return
    assert got is None and current.name == found
    replaced_cycle(either_module)
    assert run() == (None, log, current)  # what the plain search compares too


def test_search_of_many_languages(either_module, Config):
    """70 languages; the comparison of the last one draws the next 65, so the
    first repeat the search draws is the 66th language, compared already."""
    log = []
    Held, holder = engine_holder(either_module.Fettler)
    items = [Lang(str(i), log=log) for i in range(69)] + [Advancing("69", log, holder, 1, draws=65)]
    assert raised(Held, Config(items, Lang("X"))) == (ValueError, REFUSAL.format(Lang("X")))
    assert [item.name for item, _ in log] == [str(i) for i in range(70)]


@pytest.mark.parametrize("repeating", [False, True], ids=["first pass", "repeating"])
def test_collected_through_the_rotations_own_cycle(Fettler, Config, repeating):
    """The configured iterator and the saved items can be the only way from
    the rotation to what refers back to the engine: the collector must see
    both."""
    class Item(Lang):
        engine = None

    a, b = Item("A"), Item("B")

    def source(items):
        yield from items

    engine = Fettler(Config(source([a, b]), Lang("A")))
    a.engine = b.engine = engine
    engine.config = None  # the rotation is the only way left to the items
    if repeating:
        assert engine.next_language() is b and engine.next_language() is a
    ref = weakref.ref(engine)
    del engine, a, b
    gc.collect()
    assert ref() is None


def test_replaced_cycle_keeps_the_search_literal(Fettler, Config, replaced_cycle):
    """Only the rotation's own cycle can tell where the items repeat: over
    a replaced `cycle` the search goes on comparing, as the plain loop does."""
    log = []

    class Guarded(Lang):
        def __eq__(self, other):
            if len(self.log) >= 7:
                raise RuntimeError("endless search")
            return super().__eq__(other)
        __hash__ = object.__hash__

    replaced_cycle()
    assert raised(Fettler, Config([Guarded("A", log=log), Guarded("B", log=log)], Lang("X"))) == (
        RuntimeError, "endless search")
    assert "".join(item.name for item, _ in log) == "ABABABA"


def python_generator():
    yield 1
    yield 2


@pytest.mark.parametrize("args", [(KeyError,), (KeyError("k"),), (KeyError, "k"), (KeyError, "k", None),
                                  (1, 2), (KeyError, 1, 2)])
@pytest.mark.parametrize("as_error", [False, True])
def test_throw_warns_as_a_python_generator(engine, Config, args, as_error):
    """The (type, value, traceback) form of throw() is deprecated from 3.12."""
    def run(generator):
        next(generator)
        with warnings.catch_warnings(record=True) as seen:
            warnings.simplefilter("error" if as_error else "always", DeprecationWarning)
            got = raised(generator.throw, *fresh(args))
        after = raised(next, generator) or "suspended"
        return got, [(w.category, str(w.message)) for w in seen], after

    engine.config = Config([1, 2], None)
    ours = run(engine._languages())
    assert ours == run(python_generator())
    warns = sys.version_info >= (3, 12) and len(args) > 1
    text = "the (type, exc, tb) signature of throw() is deprecated, use the single-arg signature instead."
    if as_error:
        assert (ours[0] == (DeprecationWarning, text)) == warns
    else:
        assert ours[1] == ([(DeprecationWarning, text)] if warns else [])
