"""Fixtures for the correction dialog on the real toolkit (run under Xvfb).

One wx.App serves the whole session.  Each test gets a grammar back-end
that flags a few known typos, an engine for it, fresh host records, and
afterwards every dialog and chooser it left open is destroyed.
"""
import importlib
import re
import sys
import time

import pytest
import wx

TYPOS = {"teh": ["the"], "adn": ["and", "add", "an"], "recieve": ["receive"], "qqq": []}
MESSAGE = "Possible typo:"


def pump(seconds=0.05, until=None):
    """Run the event loop for `seconds`, or until `until()` is true.

    Returns whether `until` came true (True when there is no condition)."""
    deadline = time.monotonic() + seconds
    while True:
        wx.Yield()
        if until is not None and until():
            return True
        if time.monotonic() >= deadline:
            return until is None
        time.sleep(0.005)


def wait_for(condition, timeout=3.0):
    return pump(timeout, condition)


@pytest.fixture(scope="session")
def wx_app():
    app = wx.GetApp() or wx.App(False)
    yield app


@pytest.fixture(scope="session")
def host(addon_dir, wx_app):
    """The host stand-in modules (sys.path is set by the package assembly)."""
    class Host:
        gui = importlib.import_module("gui")
        ui = importlib.import_module("ui")
        api = importlib.import_module("api")
        journal = importlib.import_module("hostjournal")
    Host.gui.mainFrame  # made now, so that no test sees it appear
    return Host


@pytest.fixture(scope="session")
def main_module(gui_main_module, host):
    return gui_main_module


@pytest.fixture(scope="session")
def FettleGUI(main_module):
    return main_module.FettleGUI


@pytest.fixture(scope="session")
def chooser(addon_dir):
    """The replacements chooser stand-in module (hooks `auto_pick`, `calls`, `current`)."""
    return importlib.import_module("fettle_addon.gui.replacements")


@pytest.fixture(scope="session")
def Translator(addon_dir):
    return importlib.import_module("fettle_addon.translations").Translator


@pytest.fixture(scope="session")
def Corrector(addon_dir):
    return importlib.import_module("fettle_addon.corrector").Corrector


@pytest.fixture(scope="session")
def Match(addon_dir):
    return importlib.import_module("fettle_addon.language_tool_python").Match


def find_typos(Match):
    def check(text):
        return [Match(m.start(), len(m.group()), text, MESSAGE, TYPOS[m.group()])
                for m in re.finditer(r"\b(%s)\b" % "|".join(TYPOS), text)]
    return check


@pytest.fixture(autouse=True)
def dialog_world(host, FettleGUI, chooser, fakes, Match):
    """Fresh records before each test; nothing left open after it."""
    fakes.program("LanguageTool.check", call=find_typos(Match))
    host.ui.messages.clear()
    host.api.copies.clear()
    host.journal.clear()
    host.gui.mainFrame.popups.clear()
    chooser.calls.clear()
    chooser.auto_pick = None
    before = set(map(id, wx.GetTopLevelWindows()))
    yield
    chooser.auto_pick = None
    for window in wx.GetTopLevelWindows():
        if id(window) not in before and window is not host.gui.mainFrame:
            window.Destroy()
    FettleGUI._instance = None
    pump(0.02)


@pytest.fixture
def make_engine(fettler_module, companions):
    """Fettler for English; `need_auto_correct` as asked."""
    Config = companions["config"].Config
    english = companions["types"].Languages.english

    def make(need_auto_correct=True, text=None, matches=None):
        engine = fettler_module.Fettler(Config([english], english, need_auto_correct))
        if text is not None:
            engine.text = text
        if matches is not None:
            engine.matches = matches
        return engine
    return make


@pytest.fixture
def engine(make_engine):
    return make_engine()


@pytest.fixture
def close_calls(FettleGUI, monkeypatch):
    """Dialogs whose close_window ran (patched before they bind it: request
    this fixture before the dialog is made)."""
    calls = []
    original = FettleGUI.close_window

    def counting(self, event):
        calls.append(self)
        return original(self, event)
    monkeypatch.setattr(FettleGUI, "close_window", counting)
    return calls


def dialogs(FettleGUI):
    return [w for w in wx.GetTopLevelWindows() if isinstance(w, FettleGUI) and not w.IsBeingDeleted()]


@pytest.fixture
def open_dialog(FettleGUI, host):
    """Open a dialog through the add-on's entry and return it, shown, raised
    and with the focus in its text."""
    def open_(engine, corrector=None, focus=True):
        known = set(map(id, dialogs(FettleGUI)))
        FettleGUI.create_fettle_gui(engine, corrector)
        new = [w for w in dialogs(FettleGUI) if id(w) not in known]
        assert len(new) == 1, new
        dialog = new[0]
        if focus:
            focus_on(dialog, dialog.text)
        return dialog
    return open_


def focus_on(dialog, control):
    dialog.Raise()
    control.SetFocus()
    assert wait_for(lambda: wx.Window.FindFocus() is control), "the control never got the focus"


def char_hook(dialog, control, keycode, ctrl=False, shift=False):
    """Hand the dialog's key handler a key pressed in `control`, as wx does.

    Returns whether the key was passed on (skipped) to the control."""
    event = wx.KeyEvent(wx.wxEVT_CHAR_HOOK)
    event.SetKeyCode(keycode)
    event.SetControlDown(ctrl)
    event.SetShiftDown(shift)
    event.SetId(control.GetId())
    event.SetEventObject(control)
    dialog.process_char_hooks(event)
    return event.GetSkipped()


def activate_item(dialog):
    """The error list's item activation (a double click; Enter on wxGTK)."""
    event = wx.CommandEvent(wx.wxEVT_LISTBOX_DCLICK, dialog.errors_control.GetId())
    event.SetEventObject(dialog.errors_control)
    event.SetInt(dialog.errors_control.GetSelection())
    dialog.errors_control.GetEventHandler().ProcessEvent(event)


def click(button):
    event = wx.CommandEvent(wx.wxEVT_BUTTON, button.GetId())
    event.SetEventObject(button)
    button.GetEventHandler().ProcessEvent(event)


class Keyboard:
    """Real key presses (XTest through wx.UIActionSimulator)."""

    def __init__(self):
        self.sim = wx.UIActionSimulator()

    def type(self, text):
        self.sim.Text(text.encode("ascii"))
        pump(0.05)

    def press(self, keycode, modifiers=wx.MOD_NONE):
        self.sim.Char(keycode, modifiers)
        pump(0.05)


@pytest.fixture
def keyboard(wx_app):
    return Keyboard()


@pytest.fixture
def handler_errors(monkeypatch):
    """Exceptions raised in event handlers that wx reported (and swallowed)."""
    seen = []
    monkeypatch.setattr(sys, "excepthook", lambda kind, value, tb: seen.append(value))
    return seen
