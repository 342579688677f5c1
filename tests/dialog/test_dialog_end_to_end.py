"""The whole road of a correction driven by real key presses, and the
dialog's lifetime over many openings."""
import gc
import weakref

import pytest
import wx

from .conftest import focus_on, pump, wait_for


def wait_selected(dialog, index):
    assert wait_for(lambda: dialog.errors_control.GetSelection() == index), (
        f"selection {dialog.errors_control.GetSelection()}, wanted {index}")


def in_step(dialog, engine):
    """After every step the text control shows exactly the engine's text, and
    every item names the text its match covers."""
    assert dialog.text.GetValue() == engine.text
    assert dialog.errors_control.GetItems() == dialog.errors
    for match in engine.matches:
        assert engine.text[match.offset:match.offset + match.errorLength] in ("teh", "adn", "recieve")


def test_correcting_a_text_by_keyboard(open_dialog, make_engine, Corrector, keyboard, chooser, host, Translator):
    engine, corrector = make_engine(need_auto_correct=True), Corrector()
    dialog = open_dialog(engine, corrector)
    keyboard.type("teh cat adn teh dog recieve")
    assert wait_for(lambda: dialog.text.GetValue() == "teh cat adn teh dog recieve")

    keyboard.press(wx.WXK_RETURN, wx.MOD_CONTROL)  # check
    assert wait_for(lambda: wx.Window.FindFocus() is dialog.errors_control)
    assert engine.text == "teh cat adn teh dog recieve" and len(engine.matches) == 4
    assert host.ui.messages == [Translator.text_checked]
    assert host.api.getClipData() == "the cat and the dog receive"
    in_step(dialog, engine)  # no line break added by the check key

    keyboard.press(wx.WXK_END)  # the last error, one replacement
    wait_selected(dialog, 3)
    keyboard.press(wx.WXK_RETURN)
    assert wait_for(lambda: engine.text == "teh cat adn teh dog receive")
    assert wait_for(lambda: wx.Window.FindFocus() is dialog.text)
    in_step(dialog, engine)

    keyboard.press(wx.WXK_TAB)  # back to the list, then the first error
    assert wait_for(lambda: wx.Window.FindFocus() is dialog.errors_control)
    keyboard.press(wx.WXK_HOME)
    wait_selected(dialog, 0)
    keyboard.press(wx.WXK_RETURN)
    assert wait_for(lambda: engine.text == "the cat adn teh dog receive")
    in_step(dialog, engine)
    assert host.api.getClipData() == engine.text

    keyboard.press(wx.WXK_TAB)  # "adn": several replacements, picked in the chooser
    assert wait_for(lambda: wx.Window.FindFocus() is dialog.errors_control)
    keyboard.press(wx.WXK_HOME)
    wait_selected(dialog, 0)
    keyboard.press(wx.WXK_RETURN)
    assert wait_for(lambda: chooser.current and wx.Window.FindFocus() is chooser.current.choices)
    assert chooser.calls == [["and", "add", "an"]] and engine.text == "the cat adn teh dog receive"
    keyboard.press(wx.WXK_DOWN)
    assert wait_for(lambda: chooser.current.choices.GetSelection() == 1)
    keyboard.press(wx.WXK_RETURN)
    assert wait_for(lambda: engine.text == "the cat add teh dog receive")
    in_step(dialog, engine)
    assert dialog.errors_control.GetCount() == 1 and chooser.current is None

    keyboard.press(wx.WXK_ESCAPE)
    assert wait_for(lambda: not dialog)
    assert wait_for(lambda: corrector.texts, timeout=2) and corrector.texts == ["the cat add teh dog receive"]


def test_enter_in_the_text_is_a_line_break(open_dialog, engine, keyboard, host):
    dialog = open_dialog(engine)
    keyboard.type("teh")
    keyboard.press(wx.WXK_RETURN)
    keyboard.type("x")
    assert wait_for(lambda: dialog.text.GetValue() == "teh\nx")
    assert host.ui.messages == [] and engine.text == ""


def test_typing_after_a_check_is_never_lost(open_dialog, engine, keyboard, host, Translator):
    dialog = open_dialog(engine)
    keyboard.type("teh cat")
    keyboard.press(wx.WXK_RETURN, wx.MOD_CONTROL)
    assert wait_for(lambda: wx.Window.FindFocus() is dialog.errors_control)
    keyboard.press(wx.WXK_TAB, wx.MOD_SHIFT)
    assert wait_for(lambda: wx.Window.FindFocus() is dialog.text)
    keyboard.press(wx.WXK_END, wx.MOD_CONTROL)
    keyboard.type(" adn more")
    assert wait_for(lambda: dialog.text.GetValue() == "teh cat adn more")
    focus_on(dialog, dialog.errors_control)
    keyboard.press(wx.WXK_HOME)
    wait_selected(dialog, 0)
    keyboard.press(wx.WXK_RETURN)  # asks for a fix: checks the typed text instead
    assert wait_for(lambda: engine.text == "teh cat adn more")
    pump(0.2)
    assert dialog.text.GetValue() == "teh cat adn more" and len(engine.matches) == 2
    assert host.ui.messages == [Translator.text_checked] * 2


def count_objects():
    gc.collect()
    return len(gc.get_objects())


def test_open_and_close_many_times(FettleGUI, make_engine, host, fakes, chooser):
    def cycle(engine):
        FettleGUI.create_fettle_gui(engine)
        dialog = FettleGUI._instance
        dialog.text.SetValue("teh")
        dialog._check()
        dialog.Close(True)
        fakes.reset()
        host.journal.clear()
        host.ui.messages.clear()
        host.api.copies.clear()
        host.gui.mainFrame.popups.clear()

    engine = make_engine(need_auto_correct=False)
    windows = len(wx.GetTopLevelWindows())
    for _ in range(20):
        cycle(engine)
    pump(0.1)
    before = count_objects()
    for _ in range(200):
        cycle(engine)
        pump(0.002)
    pump(0.1)
    assert count_objects() - before < 100
    assert len(wx.GetTopLevelWindows()) == windows

    config = weakref.ref(engine.config)  # dies with the engine
    del engine
    gc.collect()
    assert config() is None, gc.get_referrers(config())
