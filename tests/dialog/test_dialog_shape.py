"""The module `gui.main` and the class `FettleGUI` as the host sees them."""
import inspect
import sys
import typing

import pytest
import wx

MEMBERS = ["_instance", "create_fettle_gui", "__new__", "__init__", "build_ui", "_bindEvents",
           "process_char_hooks", "close", "close_window", "check", "_check", "update", "errors", "output"]
CLASS_DUNDERS = {"__module__", "__qualname__", "__doc__", "__dict__", "__weakref__"}

# member: (signature as inspect shows it, annotations)
SIGNATURES = {
    "create_fettle_gui": ("(fettler: 'Fettler', corrector: 'Optional[Corrector]' = None)", {"fettler": "Fettler", "corrector": "Optional[Corrector]"}),
    "__new__": ("(cls, *args, **kwargs)", {}),
    "__init__": ("(self, parent, fettler: 'Fettler', corrector: 'Optional[Corrector]' = None)",
                 {"fettler": "Fettler", "corrector": "Optional[Corrector]"}),
    "build_ui": ("(self)", {}),
    "_bindEvents": ("(self)", {}),
    "process_char_hooks": ("(self, event)", {}),
    "close": ("(self, event)", {}),
    "close_window": ("(self, event)", {}),
    "check": ("(self, event)", {}),
    "_check": ("(self)", {}),
    "update": ("(self)", {}),
    "output": ("(self, corrected_text: 'str')", {"corrected_text": "str"}),
}


def test_module_globals_in_import_order(main_module, host, chooser, fettler_module, addon_dir):
    names = [n for n in vars(main_module) if not (n.startswith("__") and n.endswith("__"))]
    assert names == ["Optional", "api", "gui", "ui", "wx", "ReplacementsGUI", "Corrector", "Fettler",
                     "Translator", "FettleGUI"]
    m = main_module
    assert m.Optional is typing.Optional and m.wx is wx
    # the host's own modules, not the add-on's subpackage `gui`
    assert (m.api, m.gui, m.ui) == (host.api, host.gui, host.ui)
    assert m.ReplacementsGUI is chooser.ReplacementsGUI
    assert m.Fettler is fettler_module.Fettler
    assert m.Corrector is sys.modules["fettle_addon.corrector"].Corrector
    assert m.Translator is sys.modules["fettle_addon.translations"].Translator


def test_class_shape(FettleGUI):
    assert type(FettleGUI) is type(wx.Dialog) and FettleGUI.__bases__ == (wx.Dialog,)
    assert (FettleGUI.__name__, FettleGUI.__qualname__, FettleGUI.__module__) == ("FettleGUI", "FettleGUI", "gui.main")
    assert FettleGUI.__doc__ is None
    assert [n for n in vars(FettleGUI) if n not in CLASS_DUNDERS] == MEMBERS
    members = vars(FettleGUI)
    assert members["_instance"] is None
    assert type(members["create_fettle_gui"]) is staticmethod
    assert type(members["__new__"]) is staticmethod
    errors = members["errors"]
    assert type(errors) is property and errors.fset is None and errors.fdel is None
    assert errors.fget.__annotations__ == {"return": "list[str]"}
    assert str(inspect.signature(errors.fget)) == "(self) -> 'list[str]'"


@pytest.mark.parametrize("name", sorted(SIGNATURES))
def test_member_signature_and_annotations(FettleGUI, name):
    shown, annotations = SIGNATURES[name]
    function = inspect.getattr_static(FettleGUI, name)
    if isinstance(function, staticmethod):
        function = function.__func__
    assert function.__annotations__ == annotations
    assert str(inspect.signature(function)) == shown
    assert function.__name__ == name and function.__qualname__ == f"FettleGUI.{name}"


def test_methods_bind_like_python_functions(FettleGUI, make_engine, host):
    dialog = FettleGUI(host.gui.mainFrame, make_engine())
    try:
        bound = dialog.output
        assert bound.__self__ is dialog and bound.__func__ is FettleGUI.output
        assert FettleGUI.create_fettle_gui is vars(FettleGUI)["create_fettle_gui"].__func__
    finally:
        dialog.Destroy()


@pytest.mark.parametrize("args, kwargs, text", [
    ((), {}, "FettleGUI.create_fettle_gui() missing 1 required positional argument: 'fettler'"),
    ((1, 2, 3), {}, "FettleGUI.create_fettle_gui() takes from 1 to 2 positional arguments but 3 were given"),
    ((1,), {"corrector": 2, "colour": 3}, "FettleGUI.create_fettle_gui() got an unexpected keyword argument 'colour'"),
])
def test_argument_binding_errors(FettleGUI, args, kwargs, text):
    with pytest.raises(TypeError) as caught:
        FettleGUI.create_fettle_gui(*args, **kwargs)
    assert str(caught.value) == text


def test_super_is_bound_to_the_class_not_the_module_name(FettleGUI, main_module, make_engine, host, monkeypatch):
    """Rebinding the module global must not change what construction reaches."""
    monkeypatch.setattr(main_module, "FettleGUI", None)
    dialog = FettleGUI(host.gui.mainFrame, make_engine())
    try:
        assert isinstance(dialog, FettleGUI) and dialog.GetTitle()
    finally:
        dialog.Destroy()
