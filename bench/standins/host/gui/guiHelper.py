import wx


class BoxSizerHelper:
    """Places controls of one parent window in one box sizer."""

    def __init__(self, parent, orientation=wx.VERTICAL):
        self.parent = parent
        self.orientation = orientation
        self.sizer = wx.BoxSizer(orientation)

    def addItem(self, item, **keywords):
        keywords.setdefault("flag", wx.EXPAND if self.orientation == wx.VERTICAL else 0)
        self.sizer.Add(item, **keywords)
        return item

    def addLabeledControl(self, label, controlClass, **keywords):
        labelControl = wx.StaticText(self.parent, wx.ID_ANY, label=label)
        keywords.setdefault("id", wx.ID_ANY)
        control = controlClass(self.parent, **keywords)
        row = self.sizer if self.orientation == wx.HORIZONTAL else wx.BoxSizer(wx.HORIZONTAL)
        row.Add(labelControl, flag=wx.ALIGN_CENTER_VERTICAL)
        row.Add(control, proportion=1, flag=wx.EXPAND)
        if row is not self.sizer:
            self.sizer.Add(row, flag=wx.EXPAND)
        return control
