"""One correction played with real key presses and mouse clicks
(wx.UIActionSimulator), checked step by step against the back-ends.

Each step says what the user does, then what the user is told, what is on
the clipboard and what the dialog shows; a step whose outcome differs from
the expected one ends the play with exit code 1.
"""
import faulthandler
import os
import sys
import threading
import time
import traceback
from pathlib import Path

import wx

import api
import hostjournal
import ui

SHOT = Path(__file__).resolve().parent.parent / "build" / "demo-dialog.png"

# Five kinds of error: a lower-case sentence start, "a" before a vowel, a
# doubled space, a repeated word and two misspelt words.
SAMPLE = "this is a example  of the the text wich we recieve."

# The errors in the order they are fixed (the error's text, and the
# replacement to pick in the chooser, None where there is exactly one).
FIXES = [("this", None), ("recieve", "receive"), ("  ", None),
         ("wich", "which"), ("a", None), ("the the", None)]
FINAL = "This is an example of the text which we receive."

WAIT = 10.0     # seconds a step may take to show its effect
WATCHDOG = 240  # seconds the whole play may take


class Failed(Exception):
    pass


def expect(condition, what):
    if not condition:
        raise Failed(what)


def item(match, label):
    error = match.context[match.offset:match.offset + match.errorLength]
    return "{} {} {} {}".format(match.message, error, label,
                                ", ".join(match.replacements))


class Scenario:

    def __init__(self, window, addon):
        self.window = window
        self.addon = addon
        self.sim = wx.UIActionSimulator()
        self.label = addon.translations.Translator.replacements
        self.steps = self.play()
        self.exceptions = []

    # Running the steps: each step is a generator that yields either a
    # pause in milliseconds or a (condition, description) to wait for.

    def start(self):
        sys.excepthook = self.on_exception
        # If the GUI thread hangs no step can time out: end the process.
        self.watchdog = threading.Timer(WATCHDOG, self.hung)
        self.watchdog.daemon = True
        self.watchdog.start()
        self.advance()

    def hung(self):
        print("\nFAILED: the demo hung for {} s; stacks:".format(WATCHDOG), flush=True)
        faulthandler.dump_traceback()
        os._exit(1)

    def on_exception(self, kind, value, tb):
        traceback.print_exception(kind, value, tb)
        self.exceptions.append(value)

    def advance(self, failure=None):
        try:
            if self.exceptions:
                raise Failed("an event handler raised {!r}".format(self.exceptions[0]))
            step = self.steps.throw(failure) if failure else next(self.steps)
        except StopIteration:
            self.finish(0)
            return
        except Failed as failed:
            print("\nFAILED:", failed, flush=True)
            self.screenshot(SHOT.with_name("demo-failure.png"))
            self.finish(1)
            return
        except Exception:
            traceback.print_exc()
            self.finish(1)
            return
        if isinstance(step, int):
            wx.CallLater(step, self.advance)
        else:
            self.poll(step, time.monotonic() + WAIT)

    def poll(self, step, deadline):
        condition, what = step
        if condition():
            wx.CallLater(50, self.advance)
        elif time.monotonic() > deadline:
            self.advance(Failed("timed out waiting until " + what))
        else:
            wx.CallLater(50, self.poll, step, deadline)

    def finish(self, code):
        self.watchdog.cancel()
        self.window.exit_code = code
        print("\ndemo: " + ("every step happened as expected" if code == 0
                            else "a step did not happen as expected"), flush=True)
        for top in wx.GetTopLevelWindows():
            if isinstance(top, wx.Dialog) and top.IsModal():
                top.EndModal(wx.ID_CANCEL)
        wx.CallAfter(self.window.Close)

    # Helpers for the steps.

    def click(self, control):
        x, y = control.GetScreenRect().GetPosition()
        w, h = control.GetSize()
        self.sim.MouseMove(x + w // 2, y + h // 2)
        yield 100
        self.sim.MouseClick()
        yield 200

    def keys(self, *codes, modifiers=wx.MOD_NONE):
        for code in codes:
            self.sim.Char(code, modifiers)
            yield 60

    def dialogs(self, kind):
        return [w for w in wx.GetTopLevelWindows()
                if isinstance(w, kind) and w.IsShown()]

    def screenshot(self, path, window=None):
        """A PNG of the window, or of the whole screen (wxGTK's screen DC
        keeps showing what it read first, so it serves only once)."""
        if window is None:
            source, (x, y), (w, h) = wx.ScreenDC(), (0, 0), wx.GetDisplaySize()
        else:
            source, (x, y), (w, h) = wx.WindowDC(window), (0, 0), window.GetSize()
        bitmap = wx.Bitmap(w, h)
        memory = wx.MemoryDC(bitmap)
        memory.Blit(0, 0, w, h, source, x, y)
        memory.SelectObject(wx.NullBitmap)
        path.parent.mkdir(parents=True, exist_ok=True)
        bitmap.SaveFile(str(path), wx.BITMAP_TYPE_PNG)
        print("  screenshot:", path, flush=True)

    def show_state(self, dialog):
        print("  clipboard:", repr(api.getClipData()), flush=True)
        for n, line in enumerate(dialog.errors_control.GetStrings(), 1):
            print("  error {}: {}".format(n, line), flush=True)

    def told_since(self, count):
        return lambda: len(ui.messages) > count

    # The play itself.

    def play(self):
        yield from self.correct_in_dialog()
        yield from self.use_engine_from_host()

    def correct_in_dialog(self):
        window = self.window
        engine = window.engine
        checker = self.addon.language_tool_python.LanguageTool(
            self.addon.language_tool_python.types.Languages.en_US.value)
        dialog_class = window.dialog_class
        chooser_class = self.addon.gui.replacements.ReplacementsGUI

        print("The user opens the correction dialog from the host.", flush=True)
        hostjournal.clear()
        yield from self.click(window.buttons["dialog"])
        yield (lambda: self.dialogs(dialog_class), "the dialog is shown")
        dialog = self.dialogs(dialog_class)[0]
        expect([e[0] for e in hostjournal.entries if e[0].endswith("Popup")]
               == ["prePopup", "postPopup"], "prePopup and postPopup bracket the opening")
        expect(dialog.GetTitle() == self.addon.translations.Translator.main_window_title,
               "the dialog has the translator's title")

        print("\nThe user types a text with several errors and presses Ctrl+Enter.", flush=True)
        yield from self.click(dialog.text)
        self.sim.Text(SAMPLE.encode("ascii"))
        yield (lambda: dialog.text.GetValue() == SAMPLE, "the text is typed")
        told = len(ui.messages)
        yield from self.keys(wx.WXK_RETURN, modifiers=wx.MOD_CONTROL)
        yield (self.told_since(told), "the check is announced")
        yield 200
        matches = checker.check(SAMPLE)
        expect(ui.messages[told:] == [self.addon.translations.Translator.text_checked],
               "the user is told that the text was checked")
        expect(api.getClipData() == self.addon.language_tool_python.utils.correct(SAMPLE, matches),
               "the clipboard holds the automatically corrected text")
        expect(dialog.errors_control.GetStrings() == [item(m, self.label) for m in matches],
               "the error list has one line per error")
        expect(dialog.text.GetValue() == SAMPLE == engine.text,
               "the text is the checked text, without a stray line break")
        yield (lambda: wx.Window.FindFocus() is dialog.errors_control, "the error list has the focus")
        self.show_state(dialog)
        self.screenshot(SHOT, dialog)

        text = SAMPLE
        for error, wanted in FIXES:
            index = next(n for n, m in enumerate(matches)
                         if text[m.offset:m.offset + m.errorLength] == error)
            match = matches[index]
            replacement = wanted if wanted is not None else match.replacements[0]
            print("\nThe user fixes {!r} (error {}) with {!r}{}.".format(
                error, index + 1, replacement, "" if wanted is None else ", through the chooser"),
                flush=True)
            if wx.Window.FindFocus() is not dialog.errors_control:
                yield from self.keys(wx.WXK_TAB)
            yield (lambda: wx.Window.FindFocus() is dialog.errors_control, "the error list has the focus")
            yield from self.keys(wx.WXK_HOME, *[wx.WXK_DOWN] * index)
            yield (lambda: dialog.errors_control.GetSelection() == index, "error {} is selected".format(index + 1))
            yield from self.keys(wx.WXK_RETURN)
            if wanted is not None:
                expect(len(match.replacements) > 1, "{!r} has several replacements".format(error))
                yield (lambda: self.dialogs(chooser_class), "the chooser opens")
                chooser = self.dialogs(chooser_class)[0]
                offered = chooser.choices.GetStrings()
                expect(offered == match.replacements, "the chooser offers the error's replacements")
                print("  chooser offers:", offered, flush=True)
                yield (lambda: wx.Window.FindFocus() is chooser.choices, "the chooser's list has the focus")
                yield from self.keys(*[wx.WXK_DOWN] * offered.index(wanted))
                yield (lambda: chooser.choice.GetValue() == wanted, "{!r} is chosen".format(wanted))
                yield from self.keys(wx.WXK_RETURN)
            else:
                expect(len(match.replacements) == 1, "{!r} has exactly one replacement".format(error))
            count = len(matches) - 1
            yield (lambda: dialog.errors_control.GetCount() == count, "the error leaves the list")
            yield 100
            text = text[:match.offset] + replacement + text[match.offset + match.errorLength:]
            matches = checker.check(text)
            expect(engine.text == text, "the engine's text is {!r}".format(text))
            expect(dialog.text.GetValue() == text, "the dialog shows {!r}".format(text))
            expect(api.getClipData() == text, "the clipboard holds the whole text")
            expect(dialog.errors_control.GetStrings() == [item(m, self.label) for m in matches],
                   "the remaining errors still name the right text")
            self.show_state(dialog)
        expect(text == FINAL, "every error is fixed")

        print("\nThe user closes the dialog with Escape.", flush=True)
        received = len(window.corrector.received)
        yield from self.keys(wx.WXK_ESCAPE)
        yield (lambda: not self.dialogs(dialog_class), "the dialog is closed")
        expect(engine.lang_tool is None and engine.speller is None, "the engine's back-ends are closed")
        yield (lambda: len(window.corrector.received) > received, "the corrector receives the text")
        expect(window.corrector.received[received:] == [FINAL], "the corrector receives the corrected text")
        expect(window.document.GetValue() == FINAL, "the corrected text is back in the document")

    def use_engine_from_host(self):
        window = self.window
        engine = window.engine
        addon = self.addon

        def speller(lang):
            return addon.autocorrect.Speller(lang=getattr(addon.autocorrect.types.Languages, lang.name).value)

        def button(name, what):
            told = len(ui.messages)
            yield from self.click(window.buttons[name])
            yield (self.told_since(told), what)
            expect(len(ui.messages) == told + 1, "one message for " + name)

        def type_into_document(text):
            yield from self.click(window.document)
            yield from self.keys(ord("A"), modifiers=wx.MOD_CONTROL)
            self.sim.Text(text.encode("ascii"))
            yield (lambda: window.document.GetValue() == text, "the document holds " + repr(text))

        print("\nIn the host, the user asks for suggestions for a word.", flush=True)
        english = engine.current_language
        yield from type_into_document("beleive")
        yield from button("spelling", "spelling suggestions are told")
        variants = [w for _, w in sorted(speller(english).get_candidates("beleive"), key=lambda p: p[0])]
        expect(ui.messages[-1] == "Spelling of beleive: " + ", ".join(variants),
               "the spelling suggestions are the dictionary's, closest first")
        yield from button("grammar", "grammar suggestions are told")
        checker = addon.language_tool_python.LanguageTool(
            getattr(addon.language_tool_python.types.Languages, english.name).value)
        expect(ui.messages[-1] == "Grammar of beleive: " + ", ".join(checker.check("beleive")[0].replacements),
               "the grammar suggestions are the first match's replacements")
        expect(engine.text == "beleive" and len(engine.matches) == 1, "the engine keeps the word and its match")

        print("\nThe user corrects a sentence quickly.", flush=True)
        yield from type_into_document("I beleive it will be beautifull tommorow.")
        yield from button("quick", "the quick correction is told")
        expected = speller(english).autocorrect_sentence("I beleive it will be beautifull tommorow.")
        expect(window.document.GetValue() == expected, "the document holds " + repr(expected))

        print("\nThe user steps through the configured languages.", flush=True)
        configured = list(engine.config.required_languages)
        start = configured.index(engine.current_language)
        for step in range(1, len(configured) + 1):
            yield from button("language", "the new language is told")
            lang = configured[(start + step) % len(configured)]
            expect(engine.current_language is lang, "the language is now " + lang.name)
            spelling = hasattr(addon.autocorrect.types.Languages, lang.name)
            grammar = hasattr(addon.language_tool_python.types.Languages, lang.name)
            expect(engine.is_autocorrect_supports == spelling and engine.is_lang_tool_supports == grammar,
                   "the engine tells which back-end knows " + lang.name)
            if lang.name == "de_DE":
                yield from type_into_document("Beispeil")
                yield from button("spelling", "German suggestions are told")
                expect(ui.messages[-1].startswith("Spelling of Beispeil: Beispiel"),
                       "the German dictionary suggests Beispiel first")
        expect(engine.current_language is english, "the rotation is back at the start")
