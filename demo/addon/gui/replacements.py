"""The chooser the correction dialog opens when an error has no single
replacement: a list of the proposed replacements and a field that holds the
chosen one, which the user may also edit (or fill in when nothing was
proposed)."""
import wx

from ..translations import Translator


class ReplacementsGUI(wx.Dialog):

    @staticmethod
    def create_replacements_gui(replacements, callback):
        """Let the user choose one of `replacements`; `callback` gets the
        choice as a str.  Nothing is called back when the user cancels."""
        # The callback is normally a method of the window that asks (the
        # correction dialog): the chooser opens over it.
        parent = getattr(callback, "__self__", None)
        if not isinstance(parent, wx.Window):
            parent = wx.GetActiveWindow()
        dialog = ReplacementsGUI(parent, list(replacements))
        try:
            chosen = dialog.ShowModal() == wx.ID_OK
            choice = dialog.choice.GetValue()
        finally:
            dialog.Destroy()
        if chosen:
            callback(choice)

    def __init__(self, parent, replacements):
        super().__init__(parent, title=Translator.replacements.rstrip(":"),
                         style=wx.DEFAULT_DIALOG_STYLE | wx.RESIZE_BORDER)
        sizer = wx.BoxSizer(wx.VERTICAL)
        self.choices = wx.ListBox(self, choices=replacements,
                                  style=wx.LB_SINGLE, size=(320, 160))
        self.choice = wx.TextCtrl(self, value=replacements[0]
                                  if replacements else "")
        sizer.Add(self.choices, 1, wx.EXPAND | wx.ALL, 6)
        sizer.Add(self.choice, 0, wx.EXPAND | wx.LEFT | wx.RIGHT, 6)
        buttons = self.CreateStdDialogButtonSizer(wx.OK | wx.CANCEL)
        sizer.Add(buttons, 0, wx.EXPAND | wx.ALL, 6)
        self.SetSizerAndFit(sizer)
        self.CentreOnParent()
        if replacements:
            self.choices.SetSelection(0)
        # Focus is given once the window is on screen: wxGTK does not pass
        # the focus of a hidden window on to the toolkit.
        wx.CallAfter(self._focus, self.choices if replacements else self.choice)
        self.choices.Bind(wx.EVT_LISTBOX, self._on_select)
        # Enter (wxGTK activates the item) or a double click takes the item.
        self.choices.Bind(wx.EVT_LISTBOX_DCLICK, self._on_activate)

    def _focus(self, control):
        if control:
            control.SetFocus()

    def _on_select(self, event):
        self.choice.SetValue(self.choices.GetString(event.GetSelection()))

    def _on_activate(self, event):
        self.choice.SetValue(self.choices.GetString(event.GetSelection()))
        self.EndModal(wx.ID_OK)
