"""Module `fettler`: what it binds, and the class's shape and call rules."""
import inspect
import itertools
import json
import os
import subprocess
import sys
import textwrap
import types

import pytest

from . import twin
from .conftest import raised, refcount_stable

GLOBALS = ["cycle", "Speller", "ac_types", "Config", "LanguageTool", "lt_types", "lt_correct",
           "Languages", "Fettler"]
MEMBERS = ["__init__", "init_speller", "init_lang_tool", "is_lang_tool_supports",
           "is_autocorrect_supports", "close", "_languages", "next_language", "get_variants_simple",
           "get_variants_extended", "correct_simple", "correct_extended"]
# member: (signature, __annotations__)
SIGNATURES = {
    "__init__": ("(self, config: 'Config')", {"config": "Config"}),
    "init_speller": ("(self)", {}),
    "init_lang_tool": ("(self)", {}),
    "is_lang_tool_supports": ("(self) -> 'bool'", {"return": "bool"}),
    "is_autocorrect_supports": ("(self) -> 'bool'", {"return": "bool"}),
    "close": ("(self)", {}),
    "_languages": ("(self) -> 'Languages'", {"return": "Languages"}),
    "next_language": ("(self) -> 'Languages'", {"return": "Languages"}),
    "get_variants_simple": ("(self, word: 'str')", {"word": "str"}),
    "get_variants_extended": ("(self, word: 'str')", {"word": "str"}),
    "correct_simple": ("(self, text: 'str')", {"text": "str"}),
    "correct_extended": ("(self, text: 'str')", {"text": "str"}),
}
CLASS_DUNDERS = {"__module__", "__qualname__", "__dict__", "__weakref__", "__doc__"}


def run_python(addon_dir, code):
    """Runs code in a fresh interpreter that sees the assembled package."""
    done = subprocess.run([sys.executable, "-c", textwrap.dedent(code)], capture_output=True, text=True,
                          cwd=addon_dir, env={**os.environ, "PYTHONPATH": str(addon_dir), "PYTHONHASHSEED": "0"},
                          timeout=60)
    assert done.returncode == 0, done.stderr
    return json.loads(done.stdout)


def test_module_binds_its_imports_in_order(fettler_module, companions):
    m = fettler_module
    assert [k for k in vars(m) if not (k.startswith("__") and k.endswith("__"))] == GLOBALS
    assert m.__name__ == "fettle_addon.fettler" and m.__package__ == "fettle_addon"
    assert m.cycle is itertools.cycle
    assert m.Speller is companions["autocorrect"].Speller
    assert m.ac_types is companions["autocorrect.types"]
    assert m.Config is companions["config"].Config
    assert m.LanguageTool is companions["language_tool_python"].LanguageTool
    assert m.lt_types is companions["language_tool_python.types"]
    assert m.lt_correct is companions["language_tool_python.utils"].correct
    assert m.Languages is companions["types"].Languages  # the package's own, not the standard `types`


def test_companions_imported_in_statement_order(addon_dir):
    got = run_python(addon_dir, """
        import json, sys
        log = []
        class Finder:
            def find_spec(self, name, path=None, target=None):
                # the stand-ins' own helpers (_recorder, _correct) are not the engine's imports
                if name.startswith("fettle_addon.") and not name.rpartition(".")[2].startswith("_"):
                    log.append(name[len("fettle_addon."):])
        sys.meta_path.insert(0, Finder())
        import fettle_addon.fettler
        print(json.dumps(log))
    """)
    # autocorrect does not import its `types` itself: `from .autocorrect import types`
    # must fall back to importing the submodule.
    assert got == ["fettler", "autocorrect", "autocorrect.types", "config", "language_tool_python",
                   "language_tool_python.types", "language_tool_python.utils", "types"]


@pytest.mark.parametrize("module, missing, file", [
    ("autocorrect", "Speller", None),
    ("language_tool_python.utils", "correct", "/nowhere/utils.py"),
])
def test_missing_companion_name_gives_import_statement_error(addon_dir, module, missing, file):
    got = run_python(addon_dir, f"""
        import json, sys, types
        import fettle_addon
        fake = types.ModuleType("fettle_addon.{module}")
        fake.__path__ = []
        if {file!r}:
            fake.__file__ = {file!r}
        sys.modules["fettle_addon.{module}"] = fake
        def outcome(code):
            try:
                exec(code, {{"__name__": "probe"}})
            except ImportError as e:
                return [type(e).__name__, str(e), e.name, e.path]
        print(json.dumps([outcome("import fettle_addon.fettler"),
                          outcome("from fettle_addon.{module} import {missing}")]))
    """)
    assert got[0] == got[1]
    assert got[0][1].startswith(f"cannot import name '{missing}' from 'fettle_addon.{module}'")


def test_class_shape(Fettler, engine):
    assert (Fettler.__name__, Fettler.__qualname__, Fettler.__module__) == ("Fettler", "Fettler", "fettler")
    assert Fettler.__bases__ == (object,) and type(Fettler) is type and Fettler.__doc__ is None
    assert [k for k in vars(Fettler) if k not in CLASS_DUNDERS] == MEMBERS
    assert list(vars(engine)) == ["config", "speller", "lang_tool", "text", "matches",
                                  "current_language", "_next_language"]
    assert str(inspect.signature(Fettler)) == "(config: 'Config')"

    class Sub(Fettler):  # an ordinary class: it can be derived from
        pass
    assert isinstance(Sub(engine.config), Fettler)


@pytest.mark.parametrize("name", MEMBERS)
def test_member_introspection(Fettler, fettler_module, engine, name):
    member = vars(Fettler)[name]
    signature, annotations = SIGNATURES[name]
    if name.startswith("is_"):
        assert type(member) is property
        assert member.fset is None and member.fdel is None
        func = member.fget
        assert type(getattr(engine, name)) is bool
    else:
        func = member
        assert getattr(Fettler, name) is func  # looked up on the class: the plain function
        bound = getattr(engine, name)
        assert type(bound) is types.MethodType and bound.__self__ is engine and bound.__func__ is func
        assert str(inspect.signature(bound)) == signature.replace("self, ", "").replace("(self)", "()")
    assert func.__name__ == name and func.__qualname__ == f"Fettler.{name}"
    assert func.__module__ in ("fettler", fettler_module.__name__)
    assert func.__doc__ is None and func.__defaults__ is None and func.__kwdefaults__ is None
    assert func.__annotations__ == annotations
    assert all(type(v) is str for v in func.__annotations__.values())
    sig = inspect.signature(func)
    assert str(sig) == signature
    assert {p.kind for p in sig.parameters.values()} == {inspect.Parameter.POSITIONAL_OR_KEYWORD}


@pytest.mark.parametrize("name", ["is_lang_tool_supports", "is_autocorrect_supports"])
def test_properties_are_read_only(engine, fakes, name):
    assert raised(setattr, engine, name, True) == (
        AttributeError, f"property '{name}' of 'Fettler' object has no setter")
    assert raised(delattr, engine, name) == (
        AttributeError, f"property '{name}' of 'Fettler' object has no deleter")
    assert fakes.calls == []  # reading the property builds no back-end


@pytest.mark.parametrize("name, args, kwargs", [
    ("correct_simple", (), {}),
    ("correct_simple", ("a", "b"), {}),
    ("correct_simple", (), {"x": 1}),
    ("correct_simple", (), {"text": "a", "x": 1}),
    ("correct_simple", ("a",), {"text": "b"}),
    ("correct_simple", ("a",), {"self": 1}),
    # near misses: from 3.13 on the interpreter suggests a parameter name
    ("correct_simple", (), {"Text": "a"}),
    ("correct_simple", (), {"texts": "a"}),
    ("correct_simple", (), {"te\x00xt": "a"}),
    ("correct_simple", (), {"te\udc80xt": "a"}),  # not encodable: no suggestion
    ("correct_simple", (), {"txet": "a"}),  # too far
    ("get_variants_simple", ("a",), {"SELF": 1}),
    ("close", (), {"Self": 1}),
    ("get_variants_simple", (), {"text": "a"}),
    ("close", (1,), {}),
    ("close", (), {"force": True}),
    ("next_language", (1, 2), {}),
    ("_languages", (1,), {}),
])
@pytest.mark.parametrize("how", ["bound", "unbound"])
def test_binding_errors_match_cpython(fettler_module, engine, name, args, kwargs, how):
    if how == "bound":
        ours, ref = getattr(engine, name), getattr(twin.Fettler(None), name)
    else:
        ours, ref = getattr(fettler_module.Fettler, name), getattr(twin.Fettler, name)
        args = (engine,) + args
    expected = raised(ref, *args, **kwargs)
    assert expected is not None
    assert raised(ours, *args, **kwargs) == expected
    assert refcount_stable(lambda: ours(*args, **kwargs), engine)


@pytest.mark.parametrize("name, args, kwargs", [
    ("correct_simple", (), {}),
    ("correct_simple", (), {"text": "a"}),
    ("close", (), {}),
    ("_languages", (), {}),
])
def test_unbound_without_self_matches_cpython(fettler_module, name, args, kwargs):
    expected = raised(getattr(twin.Fettler, name), *args, **kwargs)
    assert expected is not None
    assert raised(getattr(fettler_module.Fettler, name), *args, **kwargs) == expected


@pytest.mark.parametrize("args, kwargs", [((), {}), ((1, 2), {}), ((), {"x": 1}), ((1,), {"config": 1})])
def test_constructor_binding_errors_match_cpython(fettler_module, args, kwargs):
    expected = raised(twin.Fettler, *args, **kwargs)
    assert expected is not None and raised(fettler_module.Fettler, *args, **kwargs) == expected


def test_keyword_arguments_bind(fettler_module, engine, Config, L, fakes):
    assert fettler_module.Fettler(config=Config([L.english], L.english)).current_language is L.english
    assert fettler_module.Fettler.correct_simple(text="one", self=engine) == "one"
    assert engine.get_variants_simple(word="x") == [] and engine.text == "x"
    getter = vars(fettler_module.Fettler)["is_autocorrect_supports"].fget
    assert getter(self=engine) is True


class Holder:
    class S(str):  # its type name is "S", not the dotted qualified name
        pass


@pytest.mark.parametrize("method, param", [("get_variants_simple", "word"), ("get_variants_extended", "word"),
                                           ("correct_simple", "text"), ("correct_extended", "text")])
@pytest.mark.parametrize("value", [None, b"word", Holder.S("word"), 3, type("N" * 300, (), {})()],
                         ids=["None", "bytes", "str subclass", "int", "long type name"])
@pytest.mark.parametrize("by_keyword", [False, True])
def test_exact_str_argument(engine, fakes, method, param, value, by_keyword):
    engine.text, matches = "before", engine.matches
    call = getattr(engine, method)
    args, kwargs = ((), {param: value}) if by_keyword else ((value,), {})
    expected = (f"Argument '{param}' has incorrect type (expected str, got {type(value).__name__[:200]})")
    assert raised(call, *args, **kwargs) == (TypeError, expected)
    # refused before anything ran: no back-end, no state change
    assert fakes.calls == [] and engine.speller is None and engine.lang_tool is None
    assert engine.text == "before" and engine.matches is matches
    assert refcount_stable(lambda: call(*args, **kwargs), value)
