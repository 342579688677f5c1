"""Stand-in for the host's `api` module: the system clipboard.

`copyToClip` writes to the real clipboard through wx, so what a caller
put there can be read back with `getClipData` (or any other program).
"""

import wx

import hostjournal
import ui

copies = []


def copyToClip(text, notify=False):
    if not isinstance(text, str):
        raise TypeError(f"copyToClip() needs a str, not {type(text).__name__}")
    clipboard = wx.TheClipboard
    if not clipboard.Open():
        raise RuntimeError("the clipboard could not be opened")
    try:
        if not clipboard.SetData(wx.TextDataObject(text)):
            raise RuntimeError("the clipboard refused the text")
    finally:
        clipboard.Close()
    copies.append((text, notify))
    hostjournal.record("copyToClip", text, notify)
    if notify:
        # The host announces what it copied; a silent copy says nothing.
        ui.message(text)
    return True


def copy_nothing(text, notify=False):
    return True


if hostjournal.instant:
    copyToClip = copy_nothing


def getClipData():
    clipboard = wx.TheClipboard
    if not clipboard.Open():
        raise RuntimeError("the clipboard could not be opened")
    try:
        data = wx.TextDataObject()
        if not clipboard.GetData(data):
            return ""
        return data.GetText()
    finally:
        clipboard.Close()
