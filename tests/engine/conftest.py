import copy
import gc
import importlib.util
import sys

import pytest


class Lang:
    """A language value with a configurable equality that logs its calls."""

    def __init__(self, name, key=None, log=None):
        self.name = name
        self.key = name if key is None else key
        self.log = log

    def __eq__(self, other):
        if self.log is not None:
            self.log.append((self, other))
        return isinstance(other, Lang) and self.key == other.key

    __hash__ = object.__hash__

    def __repr__(self):
        return f"Lang({self.name!r})"


def raised(fn, *args, **kwargs):
    """(type, text) of what fn raises, None when it returns."""
    try:
        fn(*args, **kwargs)
    except BaseException as exc:  # noqa: B902 - GeneratorExit and friends are compared too
        return type(exc), str(exc)
    return None


def fresh(args):
    """The arguments, exception instances copied: a raised instance keeps the
    traceback of each raise, and through it that run's frames, so a test
    run again (the refleak leg) would carry its earlier runs along."""
    return [copy.copy(arg) if isinstance(arg, BaseException) else arg for arg in args]


def refcount_stable(fn, *objects, rounds=50):
    """True when running fn (expected to raise) leaves the references to
    `objects` as they were: an error path that leaks shows up here."""
    for _ in range(3):
        raised(fn)
    gc.collect()
    before = [sys.getrefcount(o) for o in objects]
    for _ in range(rounds):
        raised(fn)
    gc.collect()
    return [sys.getrefcount(o) for o in objects] == before


@pytest.fixture
def L(companions):
    """The add-on's own language values (an enum)."""
    return companions["types"].Languages


@pytest.fixture
def Config(companions):
    return companions["config"].Config


@pytest.fixture
def second_fettler_module(fettler_module):
    """The same library loaded again: a module object of its own."""
    module_spec = importlib.util.spec_from_file_location(fettler_module.__name__, fettler_module.__file__)
    twin = importlib.util.module_from_spec(module_spec)
    module_spec.loader.exec_module(twin)
    return twin


@pytest.fixture
def Fettler(fettler_module):
    return fettler_module.Fettler


@pytest.fixture
def make_engine(Fettler, Config, L, fakes):
    """Fettler for the given languages (english, german, russian by default),
    default german unless told."""
    def make(required=None, default=None, need_auto_correct=False):
        if required is None:
            required = [L.english, L.german, L.russian]
        if default is None:
            default = L.german
        return Fettler(Config(required, default, need_auto_correct))
    return make


@pytest.fixture
def engine(make_engine):
    return make_engine()
