"""The type stubs (stubs/fettler.pyi, stubs/gui/main.pyi) against the modules
they describe: same classes, members in the same order and of the same kind,
same parameters and defaults, the modules' annotation strings, and the
instance attributes a real object has.  A change to either side that the
other does not follow fails here."""
import ast
import importlib
import inspect
from pathlib import Path

import pytest

STUBS = Path(__file__).resolve().parents[2] / "stubs"

# (stub file, fixture of the module, class)
MODULES = [("fettler.pyi", "fettler_module", "Fettler"),
           ("gui/main.pyi", "gui_main_module", "FettleGUI")]

# Where the stub is knowingly more precise than the string the module
# stores: _languages is a generator, annotated with the item type.
REFINED = {("Fettler._languages", "return"): ("Languages", "Iterator[Languages]")}

KIND_OF_VALUE = {staticmethod: "staticmethod", classmethod: "classmethod", property: "property"}


def stub_class(stub, name):
    tree = ast.parse((STUBS / stub).read_text(), filename=stub)
    classes = {node.name: node for node in tree.body if isinstance(node, ast.ClassDef)}
    public = sorted(n for n in classes if not n.startswith("_"))
    assert public == [name], f"{stub} describes the classes {public}"
    return classes[name]


def stub_members(node):
    """[(name, kind, node)] of the class body: functions, and attributes
    with a value (class attributes); annotated names without a value are
    instance attributes and are not members of the class."""
    members = []
    for item in node.body:
        if isinstance(item, ast.FunctionDef):
            decorators = [ast.unparse(d) for d in item.decorator_list]
            assert len(decorators) <= 1, item.name
            kind = decorators[0] if decorators else "function"
            if item.name == "__new__":
                kind = "staticmethod"   # as Python makes every __new__
            members.append((item.name, kind, item))
        elif isinstance(item, ast.AnnAssign) and item.value is not None:
            members.append((item.target.id, "attribute", item))
    return members


def instance_attributes(node):
    return [item.target.id for item in node.body
            if isinstance(item, ast.AnnAssign) and item.value is None]


def runtime_members(cls):
    members = []
    for name, value in vars(cls).items():
        if name.startswith("__") and name.endswith("__") and name not in ("__init__", "__new__"):
            continue
        kind = KIND_OF_VALUE.get(type(value))
        if kind is None:
            kind = "function" if callable(value) and not isinstance(value, type) else "attribute"
        members.append((name, kind, value))
    return members


def function_of(value):
    return value.fget if isinstance(value, property) else getattr(value, "__func__", value)


@pytest.fixture(params=MODULES, ids=[m[2] for m in MODULES])
def pair(request):
    stub, fixture, name = request.param
    module = request.getfixturevalue(fixture)
    return stub_class(stub, name), getattr(module, name)


def test_members_in_order_and_of_the_same_kind(pair):
    node, cls = pair
    assert [(n, k) for n, k, _ in stub_members(node)] == [(n, k) for n, k, _ in runtime_members(cls)]


def test_signatures_and_annotations(pair):
    node, cls = pair
    runtime = {name: value for name, _, value in runtime_members(cls)}
    for name, kind, item in stub_members(node):
        if kind == "attribute":
            assert ast.literal_eval(item.value) == runtime[name], f"{cls.__name__}.{name}"
            continue
        where = f"{cls.__name__}.{name}"
        real = function_of(runtime[name])
        arguments = item.args
        positional = arguments.posonlyargs + arguments.args
        defaults = [None] * (len(positional) - len(arguments.defaults)) + arguments.defaults
        stub_params = [(a.arg, inspect.Parameter.POSITIONAL_OR_KEYWORD, d) for a, d in zip(positional, defaults)]
        if arguments.vararg:
            stub_params.append((arguments.vararg.arg, inspect.Parameter.VAR_POSITIONAL, None))
        if arguments.kwarg:
            stub_params.append((arguments.kwarg.arg, inspect.Parameter.VAR_KEYWORD, None))
        assert not arguments.kwonlyargs and not arguments.posonlyargs, where
        real_params = list(inspect.signature(real).parameters.values())
        assert [(n, k) for n, k, _ in stub_params] == [(p.name, p.kind) for p in real_params], where
        for (pname, _, default), param in zip(stub_params, real_params):
            expected = inspect.Parameter.empty if default is None else ast.literal_eval(default)
            assert param.default == expected, f"{where}({pname}=...)"

        stub_notes = {a.arg: ast.unparse(a.annotation) for a in positional + [arguments.vararg, arguments.kwarg]
                      if a is not None and a.annotation is not None}
        if item.returns is not None:
            stub_notes["return"] = ast.unparse(item.returns)
        # Full type information: everything but self and cls is annotated.
        unannotated = {a.arg for a in positional if a.arg not in stub_notes} - {"self", "cls"}
        assert not unannotated and "return" in stub_notes, where
        for key, text in real.__annotations__.items():
            assert isinstance(text, str), f"{where}: {key} is not stored as a string"
            stub_text, wanted = stub_notes.get(key), REFINED.get((where, key), (text, text))
            assert (text, stub_text) == wanted, f"{where}: annotation of {key}"


@pytest.fixture
def english_config(companions):
    english = companions["types"].Languages.english
    return companions["config"].Config([english], english, False)


def test_engine_instance_attributes(fettler_module, english_config):
    engine = fettler_module.Fettler(english_config)
    assert list(vars(engine)) == instance_attributes(stub_class("fettler.pyi", "Fettler"))


@pytest.fixture(scope="module")
def wx_app():
    wx = pytest.importorskip("wx")
    return wx.GetApp() or wx.App(False)


def test_dialog_instance_attributes(fettler_module, gui_main_module, english_config, wx_app):
    frame = importlib.import_module("gui").mainFrame
    dialog = gui_main_module.FettleGUI(frame, fettler_module.Fettler(english_config))
    try:
        declared = instance_attributes(stub_class("gui/main.pyi", "FettleGUI"))
        present = list(vars(dialog))
        assert set(declared) <= set(present)
        # Private helpers may exist; every public attribute is declared.
        assert {n for n in present if not n.startswith("_")} <= set(declared)
    finally:
        dialog.Close(True)
        gui_main_module.FettleGUI._instance = None
