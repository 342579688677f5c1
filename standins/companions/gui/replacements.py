"""Stand-in for the add-on's replacements chooser.

`ReplacementsGUI.create_replacements_gui(replacements, callback)` opens a
small real, modeless wx dialog listing the replacements; choosing one
(Enter, a double click or OK) destroys the dialog and then calls
`callback` with the chosen str.  Escape, Cancel or closing the window
choose nothing and call nothing.

Module-level hooks for tests:
- `calls`: the replacements of every chooser opened, in order.
- `current`: the chooser that is open now, or None.
- `auto_pick`: None waits for the user; an int picks the item at that
  index, and CANCEL cancels, once the window has been shown.
"""

import wx

from ..translations import Translator

CANCEL = "cancel"

calls = []
current = None
auto_pick = None


class ReplacementsDialog(wx.Dialog):
    def __init__(self, replacements, callback):
        super().__init__(None, wx.ID_ANY, Translator.replacements)
        self.replacements = list(replacements)
        self.callback = callback
        self.finished = False
        sizer = wx.BoxSizer(wx.VERTICAL)
        self.choices = wx.ListBox(self, wx.ID_ANY, choices=self.replacements, style=wx.LB_SINGLE)
        if self.replacements:
            self.choices.SetSelection(0)
        sizer.Add(self.choices, proportion=1, flag=wx.EXPAND | wx.ALL, border=4)
        buttons = wx.BoxSizer(wx.HORIZONTAL)
        self.ok_button = wx.Button(self, wx.ID_OK)
        self.cancel_button = wx.Button(self, wx.ID_CANCEL)
        buttons.Add(self.ok_button)
        buttons.Add(self.cancel_button)
        sizer.Add(buttons, flag=wx.ALL, border=4)
        self.SetSizer(sizer)
        self.Bind(wx.EVT_LISTBOX_DCLICK, lambda event: self.pick(self.choices.GetSelection()), self.choices)
        self.Bind(wx.EVT_BUTTON, lambda event: self.pick(self.choices.GetSelection()), self.ok_button)
        self.Bind(wx.EVT_BUTTON, lambda event: self.finish(), self.cancel_button)
        self.Bind(wx.EVT_CLOSE, lambda event: self.finish())
        self.Bind(wx.EVT_CHAR_HOOK, self.on_key)

    def on_key(self, event):
        key = event.GetKeyCode()
        if key == wx.WXK_ESCAPE:
            self.finish()
        elif key in (wx.WXK_RETURN, wx.WXK_NUMPAD_ENTER) and event.GetId() == self.choices.GetId():
            # Consumed, so that the list does not also activate the item.
            self.pick(self.choices.GetSelection())
        else:
            event.Skip()

    def finish(self):
        global current
        if self.finished:
            return False
        self.finished = True
        if current is self:
            current = None
        self.Destroy()
        return True

    def pick(self, index):
        if not 0 <= index < len(self.replacements):
            return
        choice = self.replacements[index]
        if self.finish():
            self.callback(choice)


def _auto_pick(dialog, choice):
    if dialog.finished:
        return
    if choice == CANCEL:
        dialog.finish()
    else:
        dialog.pick(choice)


class ReplacementsGUI:
    @staticmethod
    def create_replacements_gui(replacements, callback):
        global current
        calls.append(list(replacements))
        dialog = ReplacementsDialog(replacements, callback)
        current = dialog
        dialog.Show()
        dialog.Raise()
        dialog.choices.SetFocus()
        if auto_pick is not None:
            wx.CallAfter(_auto_pick, dialog, auto_pick)
