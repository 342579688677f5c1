"""Stand-in for the host's `gui` module.

`mainFrame` is a real, hidden wx frame that parents the add-on's dialogs.
It is made on first access (after a wx.App exists; `app()` makes one if
none does) and made again if it was destroyed, so tests and the demo can
both rely on it.  A caller may also assign its own frame to `mainFrame`.
"""

import wx

import hostjournal
from . import guiHelper


class MainFrame(wx.Frame):
    def __init__(self):
        super().__init__(None, wx.ID_ANY, "Host")
        self.popups = []

    def prePopup(self):
        self.popups.append("prePopup")
        hostjournal.record("prePopup")

    def postPopup(self):
        self.popups.append("postPopup")
        hostjournal.record("postPopup")


_frame = None


def app():
    """The process's wx.App, made here if there is none yet."""
    return wx.GetApp() or wx.App(False)


def __getattr__(name):
    global _frame
    if name == "mainFrame":
        if not _frame:  # never made, or its window was destroyed
            app()
            _frame = MainFrame()
        return _frame
    raise AttributeError(f"module {__name__!r} has no attribute {name!r}")
