"""A fix applies to the engine's text, whatever the control could show of
it; only the user's typing or a replaced engine text make it a check."""
import gc
import weakref

import pytest
import wx

from .conftest import activate_item, char_hook, pump, wait_for

# wxGTK's control stops at a NUL and drops a text with a lone surrogate
HIDDEN = [("x\0bad y", "x\0good y"), ("x bad \ud800", "x good \ud800"), ("bad \U0001f600\r\n", "good \U0001f600\r\n")]


@pytest.fixture
def shown(open_dialog, make_engine, Match, host):
    def open_(text, replacements=("good",)):
        engine = make_engine(text=text, matches=[Match(text.index("bad"), 3, text, "Typo", list(replacements))])
        dialog = open_dialog(engine)
        dialog.errors_control.SetSelection(0)
        host.journal.clear()
        return dialog, engine
    return open_


@pytest.mark.parametrize("text, fixed", HIDDEN, ids=["NUL", "lone surrogate", "astral and CRLF"])
@pytest.mark.parametrize("how", ["enter", "activation", "chooser"])
def test_a_fix_keeps_what_the_control_cannot_show(shown, host, chooser, text, fixed, how):
    dialog, engine = shown(text, ["good"] if how != "chooser" else ["good", "fine"])
    if how == "enter":
        char_hook(dialog, dialog.errors_control, wx.WXK_RETURN)
    elif how == "activation":
        activate_item(dialog)
    else:
        chooser.auto_pick = 0
        char_hook(dialog, dialog.errors_control, wx.WXK_RETURN)
        assert wait_for(lambda: engine.text != text)
    assert engine.text == fixed and engine.matches == []
    # fixed, not checked (the system clipboard itself may cut the text at a NUL)
    assert host.journal.entries == [("copyToClip", fixed, False)]


@pytest.mark.parametrize("text", [t for t, _ in HIDDEN] + ["plain bad text"])
@pytest.mark.parametrize("how", ["enter", "chooser answer"])
def test_the_users_typing_is_checked_not_lost(shown, host, keyboard, text, how):
    dialog, engine = shown(text)
    dialog.text.SetFocus()
    assert wait_for(lambda: wx.Window.FindFocus() is dialog.text)
    dialog.text.SetInsertionPointEnd()
    keyboard.type("zz")
    typed = dialog.text.GetValue()
    assert typed.endswith("zz")
    if how == "enter":
        char_hook(dialog, dialog.errors_control, wx.WXK_RETURN)
    else:
        dialog.output("good")
    assert host.journal.names() == ["message", "copyToClip"]
    assert engine.text == typed == dialog.text.GetValue()


def test_a_replaced_engine_text_is_checked(shown, host):
    dialog, engine = shown("x\0bad y")
    engine.text = "x\0bad y!"  # its owner changed it: the matches may no longer fit
    char_hook(dialog, dialog.errors_control, wx.WXK_RETURN)
    assert host.journal.names() == ["message", "copyToClip"]
    assert engine.text == "x"  # what the control holds was checked


def test_an_equal_engine_text_is_the_one_shown(shown, host):
    dialog, engine = shown("x\0bad y")
    engine.text = "".join(["x\0", "bad y"])  # another object, equal: compared with ==
    char_hook(dialog, dialog.errors_control, wx.WXK_RETURN)
    assert host.journal.names() == ["copyToClip"] and engine.text == "x\0good y"


class Reads:
    """The text control's reads and writes, in order."""

    def __init__(self, control, monkeypatch):
        self.log = []
        get, put = control.GetValue, control.SetValue
        monkeypatch.setattr(control, "GetValue", lambda: self.log.append("get") or get(), raising=False)
        monkeypatch.setattr(control, "SetValue", lambda value: self.log.append("set") or put(value), raising=False)


@pytest.mark.parametrize("replacements", [["good"], ["good", "fine"]])
def test_the_control_is_read_once_per_request(shown, chooser, monkeypatch, replacements):
    dialog, engine = shown("plain bad text", replacements)
    reads = Reads(dialog.text, monkeypatch)
    char_hook(dialog, dialog.errors_control, wx.WXK_RETURN)
    if len(replacements) == 1:
        # one read to tell the user's typing apart, then the update's own
        assert reads.log == ["get", "set", "get"]
    else:
        assert reads.log == ["get"]
        assert wait_for(lambda: chooser.current)
        reads.log.clear()
        chooser.current.pick(1)
        assert wait_for(lambda: engine.text == "plain fine text")
        assert reads.log == ["get", "set", "get"]


def test_the_memory_is_no_attribute_and_dies_with_the_dialog(shown, main_module, FettleGUI):
    dialog, engine = shown("x\0bad y")
    if not main_module.__file__.endswith(".py"):  # plain Python keeps it in the instance
        attributes = {"fettler", "corrector", "text", "errors_control", "check_button", "close_button"}
        assert set(vars(dialog)) == attributes
        assert set(dir(dialog)) - set(dir(wx.Dialog)) - set(vars(FettleGUI)) == attributes
    alive = weakref.ref(dialog)
    dialog.Close(True)
    pump(0.1)
    del dialog
    gc.collect()
    assert alive() is None
