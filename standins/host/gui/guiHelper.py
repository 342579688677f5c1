"""Stand-in for the host's layout helper."""

import wx


class BoxSizerHelper:
    """Creates and places controls of one parent window in one box sizer."""

    def __init__(self, parent, orientation=wx.VERTICAL):
        self.parent = parent
        self.orientation = orientation
        self.sizer = wx.BoxSizer(orientation)

    def addItem(self, item, **keywords):
        keywords.setdefault("flag", wx.EXPAND if self.orientation == wx.VERTICAL else 0)
        self.sizer.Add(item, **keywords)
        return item

    def addLabeledControl(self, label, controlClass, **keywords):
        """Make a `controlClass` child of the parent with a label beside it.

        The label is created first so that keyboard navigation and screen
        readers meet it before the control.  The control gets a window id
        of its own.
        """
        labelControl = wx.StaticText(self.parent, wx.ID_ANY, label=label)
        keywords.setdefault("id", wx.ID_ANY)
        control = controlClass(self.parent, **keywords)
        if self.orientation == wx.HORIZONTAL:
            self.sizer.Add(labelControl, flag=wx.ALIGN_CENTER_VERTICAL)
            self.sizer.Add(control, proportion=1, flag=wx.EXPAND)
        else:
            row = wx.BoxSizer(wx.HORIZONTAL)
            row.Add(labelControl, flag=wx.ALIGN_CENTER_VERTICAL)
            row.Add(control, proportion=1, flag=wx.EXPAND)
            self.sizer.Add(row, flag=wx.EXPAND)
        return control
