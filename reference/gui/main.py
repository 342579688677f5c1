# Plain-Python rendering of the correction dialog module `gui.main`, with
# the same imports, class, members and behaviour as the compiled module,
# failure paths included (a dialog that failed to build or to show, or
# whose window is gone, never stays recorded as the open one; a failing
# back-end does not keep the dialog open; a chooser answering after the
# dialog closed is ignored).  The test suite runs against it
# (FETTLE_IMPL=reference), the benchmark times the compiled module against
# it; it is never shipped.
#
# Annotations are string literals, as the compiled module stores them, and
# nothing beyond the imports and the class is bound at module level, so the
# few checks that repeat (a recorded dialog whose window is gone) are
# written out where they are needed.
from typing import Optional

import api
import gui
import ui
import wx

from .replacements import ReplacementsGUI
from ..corrector import Corrector
from ..fettler import Fettler
from ..translations import Translator


class FettleGUI(wx.Dialog):
    __module__ = "gui.main"

    _instance = None

    @staticmethod
    def create_fettle_gui(fettler: "Fettler", corrector: "Optional[Corrector]" = None):
        # A recorded dialog whose window is gone (destroyed without passing
        # through close_window) must not lock the user out.
        instance = FettleGUI._instance
        if isinstance(instance, wx.Window) and (not instance or wx.GetApp().IsScheduledForDestruction(instance)):
            FettleGUI._instance = None
        if FettleGUI._instance:
            return
        gui.mainFrame.prePopup()
        try:
            window = FettleGUI(gui.mainFrame, fettler, corrector)
            try:
                window.Show()
            except BaseException:
                # A dialog that cannot be shown must not stay recorded as the
                # open one: hidden, it would keep the user from opening another.
                if __class__._instance is window:
                    __class__._instance = None
                window.Destroy()
                raise
        finally:
            gui.mainFrame.postPopup()

    def __new__(cls, *args, **kwargs):
        instance = __class__._instance
        if isinstance(instance, wx.Window) and (not instance or wx.GetApp().IsScheduledForDestruction(instance)):
            __class__._instance = None
        if cls._instance is None:
            return super().__new__(cls, *args, **kwargs)
        return cls._instance

    def __init__(self, parent, fettler: "Fettler", corrector: "Optional[Corrector]" = None):
        if self._instance is not None:
            return
        self.fettler = fettler
        self.fettler.init_speller()
        self.fettler.init_lang_tool()
        self.corrector = corrector
        dialog_title = Translator.main_window_title
        super().__init__(parent, title=dialog_title, size=(800, 600))
        self.build_ui()
        self._bindEvents()
        # Only a dialog that was completely built is the open dialog.
        __class__._instance = self

    def build_ui(self):
        main_sizer = wx.BoxSizer(wx.VERTICAL)

        text_sizer = wx.BoxSizer(wx.HORIZONTAL)
        text_helper = gui.guiHelper.BoxSizerHelper(self, orientation=wx.HORIZONTAL)
        self.text = text_helper.addLabeledControl(Translator.text, wx.TextCtrl, style=wx.TE_MULTILINE | wx.HSCROLL)
        text_sizer.Add(text_helper.sizer, border=2, flag=wx.EXPAND | wx.ALL)
        main_sizer.Add(text_sizer, border=2, flag=wx.EXPAND | wx.ALL)

        errors_sizer = wx.BoxSizer(wx.VERTICAL)
        errors_helper = gui.guiHelper.BoxSizerHelper(self, orientation=wx.VERTICAL)
        errors_helper.addItem(wx.StaticText(self, wx.ID_ANY, label=Translator.list_errors))
        self.errors_control = errors_helper.addItem(
            wx.ListBox(self, wx.ID_ANY, choices=self.errors, style=wx.LB_HSCROLL | wx.LB_NEEDED_SB | wx.LB_SINGLE)
        )
        errors_sizer.Add(errors_helper.sizer, border=2, flag=wx.EXPAND | wx.ALL)
        main_sizer.Add(errors_sizer, border=2, flag=wx.EXPAND | wx.ALL)

        button_sizer = wx.BoxSizer(wx.HORIZONTAL)
        button_helper = gui.guiHelper.BoxSizerHelper(self, orientation=wx.HORIZONTAL)
        self.check_button = button_helper.addItem(wx.Button(self, wx.ID_ANY, label=Translator.check))
        self.close_button = button_helper.addItem(wx.Button(self, wx.ID_ANY, label=Translator.close))
        button_sizer.Add(button_helper.sizer, border=2, flag=wx.EXPAND | wx.ALL)
        main_sizer.Add(button_sizer, border=2, flag=wx.EXPAND | wx.ALL)

        self.update()
        self.SetSizer(main_sizer)
        self.Layout()
        self.CentreOnScreen()

    def _bindEvents(self):
        self.Bind(wx.EVT_CLOSE, self.close_window)
        self.Bind(wx.EVT_CHAR_HOOK, self.process_char_hooks)
        self.Bind(wx.EVT_BUTTON, self.check, self.check_button)
        self.Bind(wx.EVT_BUTTON, self.close, self.close_button)
        # wxGTK turns Enter on a list box into item activation and never
        # shows it to the char hook; activation (or a double click) is
        # handled as Enter on the list.
        self.Bind(wx.EVT_LISTBOX_DCLICK, self.process_char_hooks, self.errors_control)

    def process_char_hooks(self, event):
        if event.GetEventType() == wx.wxEVT_LISTBOX_DCLICK:
            pass  # an activated error item: fix it, as Enter on the list
        else:
            keycode = event.GetKeyCode()
            if keycode == wx.WXK_ESCAPE:
                self.Close(True)
                return
            if event.GetId() == self.text.GetId() and keycode == wx.WXK_RETURN and event.ControlDown():
                # Consumed: passed on, the text control would add a line
                # break to the text the check has just put there.
                self._check()
                return
            if not (event.GetId() == self.errors_control.GetId() and keycode == wx.WXK_RETURN):
                event.Skip()
                return
        # Enter on the error list: never passed on, so that the list does
        # not activate an item as well and fix a second time.
        index = self.errors_control.GetSelection()
        if index == wx.NOT_FOUND:
            return
        # The user typed since the last update (the control no longer holds
        # what it gave back then), or the engine's text was replaced: the
        # matches no longer fit, so the control's text is checked instead.
        shown = vars(self).get("_FettleGUI__shown")
        if shown is None or not (self.text.GetValue() == shown[1] and self.fettler.text == shown[0]):
            self._check()
            return
        match = self.fettler.matches[index]
        if len(match.replacements) == 1:
            # The control was read just now: output does not read it again.
            self.__control_read = True
            try:
                self.output(match.replacements[0])
            finally:
                vars(self).pop("_FettleGUI__control_read", None)
        else:
            wx.CallAfter(ReplacementsGUI.create_replacements_gui, match.replacements, self.output)

    def close(self, event):
        self.Close(True)

    def close_window(self, event):
        try:
            if self.fettler.config.need_auto_correct and self.corrector:
                wx.CallLater(500, self.corrector.set_text, self.fettler.text)
            self.fettler.close()
        finally:
            # A failing back-end must not keep the dialog open.
            self.Destroy()
            self._instance = None
            if __class__._instance is self:
                __class__._instance = None

    def check(self, event):
        self._check()

    def _check(self):
        text = self.text.GetValue()
        corrected_text = self.fettler.correct_extended(text)
        ui.message(Translator.text_checked)
        api.copyToClip(corrected_text, notify=False)
        self.update()
        self.errors_control.SetFocus()

    def update(self):
        text = self.text
        engine_text = self.fettler.text
        text.SetValue(engine_text)
        # A native control cannot always hold what it is given (wxGTK's
        # stops at a NUL and drops a text with a lone surrogate): what it
        # gave back is what tells the user's typing apart later.  The
        # compiled module keeps this out of the dialog's attributes; plain
        # Python has nowhere else per instance to keep it.
        self.__shown = (engine_text, text.GetValue())
        self.errors_control.Clear()
        self.errors_control.Set(self.errors)

    @property
    def errors(self) -> "list[str]":
        replacements = Translator.replacements
        errors = []
        for match in self.fettler.matches:
            error_text = match.context[match.offset:match.offset + match.errorLength]
            errors.append(f"{match.message} {error_text} {replacements} {', '.join(match.replacements)}")
        return errors

    def output(self, corrected_text: "str"):
        if type(corrected_text) is not str:
            raise TypeError(
                "Argument '%.200s' has incorrect type (expected %.200s, got %.200s)"
                % ("corrected_text", "str", type(corrected_text).__name__)
            )
        # The chooser may answer after the dialog was closed.
        if not self or wx.GetApp().IsScheduledForDestruction(self):
            return
        index = self.errors_control.GetSelection()
        if index == wx.NOT_FOUND:
            return
        control_read = vars(self).pop("_FettleGUI__control_read", False)
        shown = vars(self).get("_FettleGUI__shown")
        if shown is None or not ((control_read or self.text.GetValue() == shown[1])
                                 and self.fettler.text == shown[0]):
            self._check()
            return
        matches = self.fettler.matches
        fixed_match = matches.pop(index)
        fixed_offset = fixed_match.offset
        offset_end = fixed_offset + fixed_match.errorLength
        length_difference = len(corrected_text) - fixed_match.errorLength
        text = self.fettler.text
        text = text[:fixed_match.offset] + corrected_text + text[offset_end:]
        self.fettler.text = text
        kept = []
        for match in matches:
            offset = match.offset
            if offset >= offset_end:
                match.offset += length_difference
                match.context = text
            elif offset + match.errorLength > fixed_offset:
                # Overlaps the replaced span: its offset no longer means
                # anything in the new text, so it is dropped.
                continue
            kept.append(match)
        if len(kept) != len(matches):
            matches[:] = kept
        api.copyToClip(text, notify=False)
        self.update()
        self.text.SetFocus()
