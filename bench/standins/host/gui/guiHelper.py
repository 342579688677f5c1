import wx


class BoxSizerHelper:
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
        control = controlClass(self.parent, wx.ID_ANY, **keywords)
        row = wx.BoxSizer(wx.HORIZONTAL)
        row.Add(labelControl, flag=wx.ALIGN_CENTER_VERTICAL)
        row.Add(control, proportion=1, flag=wx.EXPAND)
        self.sizer.Add(row, proportion=1, flag=wx.EXPAND)
        return control
