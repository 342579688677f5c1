"""The host's `gui` module: the benchmark sets `mainFrame` to a hidden
frame of this class once its wx.App exists."""

import wx

from . import guiHelper


class MainFrame(wx.Frame):
    def __init__(self):
        super().__init__(None, wx.ID_ANY, "Host")

    def prePopup(self):
        pass

    def postPopup(self):
        pass


mainFrame = None
