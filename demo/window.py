"""The demo host's main window: it is the host's `gui.mainFrame`, owns one
engine and one corrector, and tells the user everything through the host's
`ui.message`, which it shows in its message log."""
import wx

import gui
import ui


def yes_no(flag):
    return "yes" if flag else "no"


class HostWindow(gui.MainFrame):

    def __init__(self, addon, document=""):
        super().__init__()
        self.SetTitle("Demo host")
        self.addon = addon
        self.exit_code = 0
        self.engine = addon.fettler.Fettler(addon.config.Config())
        self.corrector = addon.corrector.Corrector(deliver=self.receive_text)
        self.dialog_class = addon.gui.main.FettleGUI
        gui.mainFrame = self
        # Everything the add-on (or this host) tells the user goes through
        # ui.message: keep the stand-in's record and show it in the log.
        self._host_message = ui.message
        ui.message = self.message
        self._build()
        self.document.SetValue(document)
        self.show_language()

    def _build(self):
        panel = wx.Panel(self)
        box = wx.BoxSizer(wx.VERTICAL)
        self.language = wx.StaticText(panel)
        box.Add(self.language, 0, wx.ALL, 6)
        box.Add(wx.StaticText(panel, label="&Document:"), 0, wx.LEFT | wx.RIGHT, 6)
        self.document = wx.TextCtrl(panel, style=wx.TE_MULTILINE, size=(-1, 140))
        box.Add(self.document, 1, wx.EXPAND | wx.ALL, 6)
        row = wx.BoxSizer(wx.HORIZONTAL)
        self.buttons = {}
        for name, label, handler in (
                ("dialog", "Correct in &dialog...", self.on_dialog),
                ("spelling", "&Spelling suggestions", self.on_spelling),
                ("grammar", "&Grammar suggestions", self.on_grammar),
                ("quick", "&Quick correction", self.on_quick),
                ("language", "&Next language", self.on_next_language)):
            button = wx.Button(panel, label=label)
            button.Bind(wx.EVT_BUTTON, handler)
            row.Add(button, 0, wx.RIGHT, 4)
            self.buttons[name] = button
        box.Add(row, 0, wx.ALL, 6)
        box.Add(wx.StaticText(panel, label="What the user is told:"), 0, wx.LEFT | wx.RIGHT, 6)
        self.log = wx.TextCtrl(panel, style=wx.TE_MULTILINE | wx.TE_READONLY, size=(-1, 160))
        box.Add(self.log, 1, wx.EXPAND | wx.ALL, 6)
        panel.SetSizer(box)
        wanted = box.GetMinSize()
        self.SetClientSize((max(wanted.width, 760), max(wanted.height, 520)))
        self.SetPosition((10, 10))
        self.Bind(wx.EVT_CLOSE, self.on_close)

    # What the user sees and hears.

    def message(self, text):
        self._host_message(text)
        self.log.AppendText(text + "\n")
        print("  told:", repr(text), flush=True)

    def show_language(self):
        lang = self.engine.current_language
        self.language.SetLabel(
            "Language: {} ({}); spelling: {}; grammar: {}".format(
                lang.value, lang.name,
                yes_no(self.engine.is_autocorrect_supports),
                yes_no(self.engine.is_lang_tool_supports)))

    def receive_text(self, text):
        """The corrector hands the dialog's result back to the document."""
        self.document.SetValue(text)
        print("  corrector received:", repr(text), flush=True)

    # What the buttons do.

    def word(self):
        """The selected text, else the word at the insertion point."""
        selected = self.document.GetStringSelection().strip()
        if selected:
            return selected
        text = self.document.GetValue()
        pos = self.document.GetInsertionPoint()
        start = pos
        while start > 0 and not text[start - 1].isspace():
            start -= 1
        end = pos
        while end < len(text) and not text[end].isspace():
            end += 1
        return text[start:end]

    def unsupported(self, spelling=False, grammar=False):
        lang = self.engine.current_language.value
        if spelling and not self.engine.is_autocorrect_supports:
            ui.message("No spelling dictionary is installed for " + lang)
            return True
        if grammar and not self.engine.is_lang_tool_supports:
            ui.message("No grammar checker is available for " + lang)
            return True
        return False

    def on_dialog(self, event):
        if self.unsupported(spelling=True, grammar=True):
            return
        # The dialog starts with the document's text, unchecked.
        self.engine.text = self.document.GetValue()
        self.engine.matches = []
        self.dialog_class.create_fettle_gui(self.engine, self.corrector)

    def on_spelling(self, event):
        word = self.word()
        if not word or self.unsupported(spelling=True):
            return
        variants = self.engine.get_variants_simple(word)
        ui.message("Spelling of {}: {}".format(word, ", ".join(variants) or "no suggestions"))

    def on_grammar(self, event):
        word = self.word()
        if not word or self.unsupported(grammar=True):
            return
        try:
            variants = self.engine.get_variants_extended(word)
        except IndexError:      # the checker found nothing to say
            ui.message("Grammar of {}: nothing to correct".format(word))
            return
        ui.message("Grammar of {}: {}".format(word, ", ".join(variants) or "no suggestions"))

    def on_quick(self, event):
        if self.unsupported(spelling=True):
            return
        start, end = self.document.GetSelection()
        if start == end:
            start, end = 0, self.document.GetLastPosition()
        text = self.document.GetRange(start, end)
        corrected = self.engine.correct_simple(text)
        self.document.Replace(start, end, corrected)
        ui.message("Corrected: " + corrected)

    def on_next_language(self, event):
        lang = self.engine.next_language()
        self.show_language()
        ui.message("{}: spelling {}, grammar {}".format(
            lang.value, yes_no(self.engine.is_autocorrect_supports),
            yes_no(self.engine.is_lang_tool_supports)))

    def on_close(self, event):
        self.engine.close()
        ui.message = self._host_message
        self.Destroy()
