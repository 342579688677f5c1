"""Argument binding of the modules' functions against Python's own.

Every function is paired with a Python function of the same signature and
__qualname__; for each way of calling it that Python refuses, the module's
function must refuse it with the same TypeError text.  Calls Python accepts
would run the real body and are skipped here (the other tests cover them).
"""
import inspect
import itertools

import pytest


class ReachedBody(Exception):
    pass


def python_twin(function):
    """A Python function with `function`'s parameters and __qualname__ whose
    body only signals that binding succeeded."""
    signature = inspect.signature(function)
    parameters = str(signature.replace(parameters=[p.replace(annotation=inspect.Parameter.empty)
                                                   for p in signature.parameters.values()],
                                       return_annotation=inspect.Signature.empty))
    namespace = {"ReachedBody": ReachedBody, "None": None}
    exec(f"def twin{parameters}:\n    raise ReachedBody", namespace)
    twin = namespace["twin"]
    twin.__qualname__ = function.__qualname__
    return twin


def call_shapes(names):
    """Positional counts 0-4 combined with keyword sets drawn from the
    parameter names and an unknown name."""
    keywords = list(names) + ["x"]
    for count in range(5):
        for size in range(3):
            for chosen in itertools.combinations(keywords, size):
                yield tuple(object() for _ in range(count)), {name: object() for name in chosen}


def outcome(function, args, kwargs):
    try:
        function(*args, **kwargs)
    except ReachedBody:
        return None
    except TypeError as error:
        return str(error)
    return None


@pytest.fixture
def functions(fettler_module, FettleGUI):
    Fettler = fettler_module.Fettler
    return {
        "Fettler.__init__": Fettler.__init__,
        "Fettler.correct_simple": Fettler.correct_simple,
        "Fettler.get_variants_extended": Fettler.get_variants_extended,
        "Fettler.next_language": Fettler.next_language,
        "FettleGUI.create_fettle_gui": FettleGUI.__dict__["create_fettle_gui"].__func__,
        "FettleGUI.__new__": FettleGUI.__dict__["__new__"].__func__,
        "FettleGUI.__init__": FettleGUI.__init__,
        "FettleGUI.output": FettleGUI.output,
        "FettleGUI.close_window": FettleGUI.close_window,
    }


def test_binding_errors_read_as_pythons(functions):
    compared = 0
    for name, function in functions.items():
        assert function.__qualname__ == name
        twin = python_twin(function)
        for args, kwargs in call_shapes(inspect.signature(function).parameters):
            expected = outcome(twin, args, kwargs)
            if expected is None:
                continue
            with pytest.raises(TypeError) as raised:
                function(*args, **kwargs)
            assert str(raised.value) == expected, (name, len(args), sorted(kwargs))
            compared += 1
    assert compared > 200


def test_bound_methods_count_self_as_python_does(functions, fettler_module, companions):
    Config = companions["config"].Config
    engine = fettler_module.Fettler(Config([], None))
    twin = python_twin(functions["Fettler.correct_simple"])
    bound_twin = twin.__get__(engine)
    for args in [(), ("a", "b"), ("a", "b", "c")]:
        with pytest.raises(TypeError) as raised:
            engine.correct_simple(*args)
        assert str(raised.value) == outcome(bound_twin, args, {})


def test_changed_defaults_and_qualname_are_used(functions):
    create = functions["FettleGUI.create_fettle_gui"]
    saved = create.__defaults__, create.__qualname__
    try:
        create.__defaults__ = None
        create.__qualname__ = "renamed"
        twin = python_twin(create)
        for args in [(), (1, 2, 3)]:
            with pytest.raises(TypeError) as raised:
                create(*args)
            assert str(raised.value) == outcome(twin, args, {})
        assert "missing 2 required positional arguments: 'fettler' and 'corrector'" in str(
            pytest.raises(TypeError, create).value)
    finally:
        create.__defaults__, create.__qualname__ = saved
    with pytest.raises(TypeError, match="__defaults__ must be set to a tuple object"):
        create.__defaults__ = [None]


class RefusingName(str):
    """A keyword name whose == raises: the comparison itself is Python's."""

    def __eq__(self, other):
        raise LookupError(f"compared {str(self)!r} with {other!r}")

    __hash__ = str.__hash__


class StrangerName(str):
    """A keyword name equal to nothing, not even its own text."""

    def __eq__(self, other):
        return False

    __hash__ = str.__hash__


@pytest.mark.parametrize("keyword", ["\ud800", "te\x00xt", "t\U0001f600xt", "", RefusingName("text"),
                                     StrangerName("text"), RefusingName("\udfff")],
                         ids=["lone surrogate", "NUL", "astral", "empty", "refusing ==", "stranger", "both"])
def test_keyword_names_are_compared_as_str_objects(functions, keyword):
    # never encoded: a name that is no valid UTF-8 is just a name that does not match
    for name in ["Fettler.correct_simple", "FettleGUI.output", "FettleGUI.close_window"]:
        function = functions[name]
        twin = python_twin(function)
        args = (object(),)

        def result(f):
            try:
                f(*args, **{keyword: "x"})
            except Exception as error:  # noqa: BLE001 - any difference counts
                return type(error), str(error)
        assert result(function) == result(twin) != (ReachedBody, "")
    with pytest.raises(TypeError) as raised:
        functions["Fettler.correct_simple"](object(), **{"\ud800": "x"})
    assert str(raised.value) == "Fettler.correct_simple() got an unexpected keyword argument '\ud800'"
