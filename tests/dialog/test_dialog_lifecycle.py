"""Opening and closing the dialog: the host bracket, the guards around the
recorded dialog, the corrector hand-back, and failures while opening or
closing (none may leave a dialog recorded that keeps the user out)."""
import time

import pytest
import wx

from .conftest import click, dialogs, pump, wait_for


def test_open_order_and_window(FettleGUI, engine, host, fakes, Translator, monkeypatch):
    frame = host.gui.mainFrame
    seen = []
    monkeypatch.setattr(frame, "prePopup", lambda: seen.append(("pre", [d.IsShown() for d in dialogs(FettleGUI)])))
    monkeypatch.setattr(frame, "postPopup", lambda: seen.append(("post", [d.IsShown() for d in dialogs(FettleGUI)])))
    fakes.program("LanguageTool", call=lambda *a: seen.append(("grammar", len(dialogs(FettleGUI)))))
    assert FettleGUI.create_fettle_gui(engine) is None
    # back-ends start before the native window exists; the dialog is shown before postPopup
    assert seen == [("pre", []), ("grammar", 0), ("post", [True])]
    assert [c.name for c in fakes.calls][:2] == ["Speller", "LanguageTool"]
    (dialog,) = dialogs(FettleGUI)
    assert dialog.GetParent() is frame and dialog.fettler is engine and dialog.corrector is None
    assert dialog.GetTitle() == Translator.main_window_title
    assert tuple(dialog.GetSize()) == (800, 600)
    display = wx.Display(wx.Display.GetFromWindow(dialog)).GetGeometry()
    assert dialog.GetRect().GetPosition() == wx.Point((display.width - 800) // 2, (display.height - 600) // 2)


def test_constructed_dialog_is_hidden_and_not_shown_by_init(FettleGUI, engine, host):
    dialog = FettleGUI(host.gui.mainFrame, engine, corrector=None)
    assert not dialog.IsShown() and dialog.__init__(host.gui.mainFrame, engine) is None


@pytest.mark.parametrize("how", ["close button", "escape", "close command", "forced close"])
def test_every_way_of_closing_runs_close_window_once(FettleGUI, open_dialog, engine, close_calls, fakes, how):
    dialog = open_dialog(engine)
    if how == "close button":
        click(dialog.close_button)
    elif how == "escape":
        event = wx.KeyEvent(wx.wxEVT_CHAR_HOOK)
        event.SetKeyCode(wx.WXK_ESCAPE)
        event.SetId(dialog.errors_control.GetId())
        dialog.GetEventHandler().ProcessEvent(event)
    elif how == "close command":
        dialog.Close()
    else:
        dialog.Close(True)
    assert close_calls == [dialog]
    assert len(fakes.of("LanguageTool.close")) == 1 and engine.lang_tool is None
    assert dialog._instance is None and FettleGUI._instance is None
    assert wait_for(lambda: not dialog), "the window was not destroyed"
    assert close_calls == [dialog]


@pytest.mark.parametrize("need_auto_correct, corrector_kind, handed", [
    (True, "corrector", True),
    (True, None, False),
    (True, "falsy", False),
    (False, "corrector", False),
    (False, "unreadable", False),
])
def test_hand_back_to_corrector_after_half_a_second(make_engine, open_dialog, Corrector, handler_errors,
                                                    need_auto_correct, corrector_kind, handed):
    class Falsy(Corrector):
        def __bool__(self):
            return False

    class Unreadable(Corrector):
        def __bool__(self):
            raise AssertionError("the corrector must not be looked at")

    corrector = {"corrector": Corrector, "falsy": Falsy, "unreadable": Unreadable, None: lambda: None}[corrector_kind]()
    engine = make_engine(need_auto_correct, text="final text")
    dialog = open_dialog(engine, corrector)
    engine.text = "final text"
    dialog.Close(True)
    closed = time.monotonic()
    engine.text = "changed after closing"
    pump(0.35)
    assert not getattr(corrector, "texts", None), "handed back too early"
    wait_for(lambda: getattr(corrector, "texts", None), timeout=1.5 if handed else 0.6)
    if handed:
        assert corrector.texts == ["final text"]
        assert corrector.times[0] - closed >= 0.45
    else:
        assert not getattr(corrector, "texts", None)
    assert handler_errors == [] and not dialog


def test_guards_while_a_dialog_is_open(FettleGUI, open_dialog, make_engine, host, fakes):
    first_engine = make_engine()
    dialog = open_dialog(first_engine)
    assert FettleGUI._instance is dialog
    host.journal.clear()
    other = make_engine()
    fakes.reset()
    assert FettleGUI.create_fettle_gui(other) is None
    assert host.journal.entries == [] and dialogs(FettleGUI) == [dialog]
    # construction yields the open dialog, untouched
    assert FettleGUI(host.gui.mainFrame, other, None) is dialog
    assert dialog.fettler is first_engine and fakes.calls == [] and dialogs(FettleGUI) == [dialog]
    # any true value blocks opening; a false one does not
    FettleGUI._instance = 1
    FettleGUI.create_fettle_gui(other)
    assert host.journal.entries == []
    assert FettleGUI(host.gui.mainFrame, other) == 1
    FettleGUI._instance = None


@pytest.mark.parametrize("how", ["close_window", "destroyed now", "destroyed and deleted", "parent gone"])
def test_user_is_never_locked_out(FettleGUI, open_dialog, make_engine, host, monkeypatch, how):
    if how == "parent gone":
        parent = host.gui.MainFrame()
        monkeypatch.setattr(host.gui, "mainFrame", parent, raising=False)
    dialog = open_dialog(make_engine())
    if how == "close_window":
        dialog.Close(True)
    elif how == "parent gone":
        parent.Destroy()
    else:
        dialog.Destroy()
    if how != "destroyed now":
        assert wait_for(lambda: not dialog)
    monkeypatch.setattr(host.gui, "mainFrame", host.gui.MainFrame(), raising=False)
    reopened = open_dialog(make_engine())
    assert reopened is not dialog and FettleGUI._instance is reopened and reopened.IsShown()
    host.gui.mainFrame.Destroy()


def test_failed_creation_records_nothing_and_still_calls_post_popup(FettleGUI, engine, fakes, host, monkeypatch):
    fakes.program("LanguageTool", raises=RuntimeError("no grammar"))
    with pytest.raises(RuntimeError, match="no grammar"):
        FettleGUI.create_fettle_gui(engine)
    assert host.journal.names() == ["prePopup", "postPopup"]
    assert FettleGUI._instance is None and dialogs(FettleGUI) == []

    fakes.program("LanguageTool")
    monkeypatch.setattr(FettleGUI, "Show", lambda self: 1 / 0)
    host.journal.clear()
    with pytest.raises(ZeroDivisionError):
        FettleGUI.create_fettle_gui(engine)
    assert host.journal.names() == ["prePopup", "postPopup"]
    # The hidden dialog is not left recorded: the user can open another.
    assert FettleGUI._instance is None
    assert wait_for(lambda: dialogs(FettleGUI) == [])
    monkeypatch.undo()
    FettleGUI.create_fettle_gui(engine)
    assert FettleGUI._instance is not None and FettleGUI._instance.IsShown()
    FettleGUI._instance.Close(True)


def test_failing_back_end_close_still_closes(FettleGUI, open_dialog, engine, fakes):
    dialog = open_dialog(engine)
    fakes.program("LanguageTool.close", raises=OSError("grammar server gone"))
    with pytest.raises(OSError, match="grammar server gone"):
        dialog.close_window(None)
    assert FettleGUI._instance is None and dialog._instance is None
    assert wait_for(lambda: not dialog)
    fakes.program("LanguageTool.close")
    open_dialog(engine)
