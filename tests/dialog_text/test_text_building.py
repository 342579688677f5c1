"""The dialog's text building, `errors` and `output`, on a stand-in dialog
(no window, no event loop): the error items and the spliced text must be
the very strings Python's own expressions give, whatever the kinds of the
strings involved and however far the positions reach.

These run on every interpreter: against wxPython where it exists, and
against standins/fake_wx where it does not (on 3.12 and 3.13 they are the
smoke check of `gui.main`; the dialog suite itself needs wxPython)."""
import types

import pytest
from hypothesis import given, settings
from hypothesis import strategies as st

# One character of each width class a str may have: ASCII, Latin-1, the
# Basic Multilingual Plane and beyond, at the edges of each.
CHARS = ["a", "\x7f", "\x80", "é", "\xff", "\u0100", "€", "\uffff", "\U00010000", "😀", "\U0010ffff"]

# Runs of ASCII long enough to cross the blocks the scan for the widest
# character works in, with wider characters between them.
texts = st.builds(lambda runs, tail: "".join("x" * n + c for n, c in runs) + "y" * tail,
                  st.lists(st.tuples(st.integers(0, 600), st.sampled_from(CHARS)), max_size=4),
                  st.integers(0, 600))
short_texts = st.text(st.sampled_from(CHARS + ["b", " "]), max_size=6)
ascii_texts = st.text(st.sampled_from("abc "), max_size=6)
# Ints beyond what a 32-bit Py_ssize_t holds or a long long adds up exactly.
FAR = [2**31 - 1, 2**31, 2**32 + 1, -(2**32 + 1), 2**60, 2**60 + 1, -(2**60) - 1, 2**63, -(2**63) - 1]


def position_in(data, text):
    """A position in or around `text`, often just before or after one of
    its wider characters, sometimes far out."""
    wide = [i + after for i, c in enumerate(text) if c > "\x7f" for after in (0, 1)]
    return data.draw(st.one_of(st.integers(-len(text) - 3, len(text) + 3), st.sampled_from(FAR),
                               *([st.sampled_from(wide)] if wide else [])))


@pytest.fixture(scope="module")
def FettleGUI(gui_main_module):
    return gui_main_module.FettleGUI


@pytest.fixture(scope="module")
def Match(addon_dir):
    import fettle_addon.language_tool_python as lt
    return lt.Match


@pytest.fixture(scope="module")
def label(addon_dir):
    import fettle_addon.translations as translations
    return translations.Translator.replacements


class Control:
    """The text control and the error list, holding what they are given."""

    def __init__(self):
        self.value = None
        self.items = []
        self.focused = 0

    def SetValue(self, value):
        self.value = value

    def GetValue(self):
        return self.value

    def Clear(self):
        self.items = []

    def Set(self, items):
        self.items = list(items)

    def GetSelection(self):
        return 0  # the first error

    def SetFocus(self):
        self.focused += 1


@pytest.fixture(scope="module")
def stand_in_dialog(FettleGUI):
    """Makes a dialog stand-in: plain controls, the engine's text and
    matches, and FettleGUI's own `errors`, `update` and `output`; it has
    been updated once, as a shown dialog has, so `output` applies a fix."""
    class Dialog:
        errors = FettleGUI.errors
        update = FettleGUI.update
        output = FettleGUI.output

    def make(text, matches):
        dialog = Dialog()
        dialog.fettler = types.SimpleNamespace(text=text, matches=matches)
        dialog.text = Control()
        dialog.errors_control = Control()
        dialog.update()
        return dialog
    return make


@pytest.fixture(scope="module")
def clipboard(gui_main_module):
    """What `output` last handed the host's clipboard (module global `api`
    replaced), as clipboard[-1]; only the latest is kept, so the tests'
    runs do not pile up here."""
    copies = []

    def copy(text, notify=True):
        copies[:] = [(text, notify)]

    with pytest.MonkeyPatch.context() as patch:
        patch.setattr(gui_main_module, "api", types.SimpleNamespace(copyToClip=copy))
        yield copies


def same_str(built, expected):
    """Equal, and equally canonical: equality compares the characters and
    their width class, isascii() the flag an ASCII str carries."""
    return built == expected and built.isascii() == expected.isascii()


def item(match, label):
    return (f"{match.message} {match.context[match.offset:match.offset + match.errorLength]} {label} "
            f"{', '.join(match.replacements)}")


class Shout(str):
    """A str whose f-string form is its own: formatted, never taken as it is."""

    def __format__(self, format_spec):
        return self.upper()


def test_errors_on_plain_matches(stand_in_dialog, Match, label):
    matches = [Match(4, 3, "the cta sat", "Typo", ["cat", "act"]), Match(0, 2, "añb😀c", "Ünïcode", []),
               Match(1, 99, "ab", 42, ["ß"]), Match(0, 1, "ab", Shout("loud"), [])]
    dialog = stand_in_dialog("", matches)
    assert dialog.errors == dialog.errors_control.items == [
        f"Typo cta {label} cat, act", f"Ünïcode añ {label} ", f"42 b {label} ß", f"LOUD a {label} "]


class MatchList(list):
    """The engine's matches in a list of another type: walked by its iterator."""


# The fix drops the match across it and moves those behind, in the list
# itself, whatever kind of list holds them.
@pytest.mark.parametrize("kind", [list, MatchList])
def test_output_on_plain_matches(stand_in_dialog, Match, clipboard, label, kind):
    text = "teh cat adn a dog"
    matches = kind([Match(0, 3, text, "Typo", ["the"]), Match(2, 2, text, "Across", ["x"]),
                    Match(4, 3, text, "Odd", []), Match(8, 3, text, "Typo", ["and"])])
    dialog = stand_in_dialog(text, matches)
    kept = matches[2:]
    dialog.output("these")
    assert dialog.fettler.text == dialog.text.value == "these cat adn a dog"
    assert dialog.fettler.matches is matches and matches == kept
    assert [(m.offset, m.context) for m in kept] == [(6, dialog.fettler.text), (10, dialog.fettler.text)]
    assert dialog.errors_control.items == [f"Odd cat {label} ", f"Typo adn {label} and"]
    assert clipboard[-1] == (dialog.fettler.text, False) and dialog.text.focused == 1


@settings(deadline=None, max_examples=300)
@given(context=texts, data=st.data(), message=st.one_of(ascii_texts, short_texts),
       replacements=st.lists(st.one_of(ascii_texts, short_texts), max_size=6), as_tuple=st.booleans())
def test_error_items_as_python_builds_them(stand_in_dialog, Match, label, context, data, message, replacements,
                                           as_tuple):
    offset = position_in(data, context)
    length = position_in(data, context) - (offset if data.draw(st.booleans()) else 0)
    match = Match(offset, length, context, message)
    match.replacements = tuple(replacements) if as_tuple else replacements  # a tuple takes the general join
    [built] = stand_in_dialog("", [match]).errors
    assert same_str(built, item(match, label))


@settings(deadline=None, max_examples=300)
@given(text=texts, data=st.data(), replacement=st.one_of(ascii_texts, short_texts))
def test_output_splices_as_python_slices(stand_in_dialog, Match, clipboard, text, data, replacement):
    offset = position_in(data, text)
    length = position_in(data, text) - (offset if data.draw(st.booleans()) else 0)
    dialog = stand_in_dialog(text, [Match(offset, length, text, "m", [replacement])])
    dialog.output(replacement)
    expected = text[:offset] + replacement + text[offset + length:]
    assert same_str(dialog.fettler.text, expected) and clipboard[-1] == (expected, False)
