"""The key handler and `output`, the fix of the selected error."""
import pytest
import wx

from .conftest import activate_item, char_hook, pump, wait_for

TEXT = "teh cat adn teh dog qqq"  # typos: teh [the], adn [and, add, an], teh [the], qqq []


@pytest.fixture
def checked(open_dialog, make_engine, host):
    """A shown dialog right after a check of TEXT, the first error selected."""
    engine = make_engine()
    dialog = open_dialog(engine)
    dialog.text.SetValue(TEXT)
    dialog._check()
    dialog.errors_control.SetSelection(0)
    host.journal.clear()
    return dialog, engine


ESC, RET, PAD = wx.WXK_ESCAPE, wx.WXK_RETURN, wx.WXK_NUMPAD_ENTER


@pytest.mark.parametrize("key, ctrl, shift, where, effect", [
    (ESC, False, False, "text", "close"),
    (ESC, False, True, "errors_control", "close"),
    (ESC, True, False, "check_button", "close"),
    (RET, True, False, "text", "check"),
    (RET, True, True, "text", "check"),
    (RET, False, False, "text", None),
    (RET, True, False, "check_button", None),
    (RET, False, False, "close_button", None),
    (PAD, True, False, "text", None),
    (PAD, False, False, "errors_control", None),
    (ord("A"), True, False, "text", None),
    (wx.WXK_DOWN, False, False, "errors_control", None),
    (RET, False, False, "errors_control", "fix"),
    (RET, True, True, "errors_control", "fix"),
])
def test_keys(close_calls, checked, host, chooser, key, ctrl, shift, where, effect):
    dialog, engine = checked
    passed_on = char_hook(dialog, getattr(dialog, where), key, ctrl=ctrl, shift=shift)
    pump()
    # a key that ran an action is consumed; every other key goes on to the control
    assert passed_on == (effect is None)
    assert close_calls == ([dialog] if effect == "close" else [])
    assert host.journal.names() == {"check": ["message", "copyToClip"], "fix": ["copyToClip"]}.get(effect, [])
    assert engine.text == (TEXT.replace("teh", "the", 1) if effect == "fix" else TEXT)
    assert chooser.calls == []


def test_enter_on_the_list_with_one_replacement_applies_it_at_once(checked, chooser):
    dialog, engine = checked
    dialog.errors_control.SetSelection(0)
    assert char_hook(dialog, dialog.errors_control, RET) is False
    assert engine.text == dialog.text.GetValue() == "the cat adn teh dog qqq" and chooser.calls == []


@pytest.mark.parametrize("index, chosen, expected", [
    (1, 1, "teh cat add teh dog qqq"),             # several: the user picks one
    (3, None, TEXT),                               # none: nothing to pick, the chooser stays open
])
def test_enter_on_the_list_opens_the_chooser_after_the_event(checked, chooser, index, chosen, expected):
    dialog, engine = checked
    dialog.errors_control.SetSelection(index)
    replacements = list(engine.matches[index].replacements)
    chooser.auto_pick = chosen
    assert char_hook(dialog, dialog.errors_control, RET) is False
    assert engine.text == TEXT and chooser.calls == []  # not yet: deferred
    assert wait_for(lambda: chooser.calls)
    assert chooser.calls == [replacements]
    assert wait_for(lambda: engine.text == expected)
    assert dialog.text.GetValue() == engine.text == expected
    assert (chooser.current is not None and chooser.current.IsShown()) == (chosen is None)


def test_activating_an_item_fixes_it_once(checked, chooser):
    dialog, engine = checked
    activate_item(dialog)
    assert engine.text == "the cat adn teh dog qqq" and len(engine.matches) == 3
    dialog.errors_control.SetSelection(0)  # "adn" now
    activate_item(dialog)
    pump(0.2)
    assert chooser.calls == [["and", "add", "an"]]


def test_nothing_selected_does_nothing(checked, host, chooser):
    dialog, engine = checked
    dialog.errors_control.SetSelection(wx.NOT_FOUND)
    matches = list(engine.matches)
    dialog.errors_control.SetFocus()
    pump()
    assert char_hook(dialog, dialog.errors_control, RET) is False
    activate_item(dialog)
    dialog.output("the")
    pump(0.1)
    assert engine.text == TEXT and engine.matches == matches and dialog.text.GetValue() == TEXT
    assert host.journal.entries == [] and chooser.calls == []
    assert wx.Window.FindFocus() is dialog.errors_control


@pytest.mark.parametrize("fix", [lambda dialog: char_hook(dialog, dialog.errors_control, RET),
                                 lambda dialog: dialog.output("add")], ids=["enter", "chooser"])
def test_edits_since_the_check_are_kept(checked, host, chooser, fix):
    dialog, engine = checked
    edited = TEXT + " adn"
    dialog.text.SetValue(edited)
    dialog.errors_control.SetSelection(1)  # several replacements: would open the chooser
    fix(dialog)
    pump(0.1)
    assert chooser.calls == []
    assert engine.text == dialog.text.GetValue() == edited
    assert host.journal.names() == ["message", "copyToClip"]
    assert dialog.errors_control.GetCount() == len(engine.matches) == 5


def test_late_chooser_answer_changes_nothing(checked, chooser, host):
    dialog, engine = checked
    dialog.errors_control.SetSelection(1)
    char_hook(dialog, dialog.errors_control, RET)
    assert wait_for(lambda: chooser.current)
    answer = chooser.current
    dialog.Close(True)
    pump(0.1)
    clipboard = host.api.getClipData()
    answer.pick(0)  # calls the closed dialog's output
    assert engine.text == TEXT and host.api.getClipData() == clipboard
    assert wait_for(lambda: not dialog)
    dialog_output = type(dialog).output
    assert dialog_output(dialog, "and") is None and engine.text == TEXT


# text "0123456789ABCDEFGHIJ"; the fix replaces "456" (offset 4, length 3)
SPANS = {"before": (0, 2), "adjacent before": (2, 2), "fixed": (4, 3), "overlap inside": (5, 4),
         "overlap from before": (3, 2), "at the end of the fix": (7, 2), "behind": (12, 3)}


class Position(int):
    pass


class Text(str):
    pass


# How the text and the positions are given (text, offset type, length
# type): plain str and int values take the paths that compute in C, the
# others go through Python's operators and slicing, which must agree.
OUTPUT_INPUTS = {
    "plain": ("0123456789ABCDEFGHIJ", int, int),
    "int subclass positions": ("0123456789ABCDEFGHIJ", Position, Position),
    "int subclass lengths": ("0123456789ABCDEFGHIJ", int, Position),
    "str subclass text": (Text("0123456789ABCDEFGHIJ"), int, int),
    # the only wide character is replaced: the new text is as narrow as Python's
    "wide character replaced": ("01234\u20ac6789ABCDEFGHIJ", int, int),
}


@pytest.mark.parametrize("inputs", OUTPUT_INPUTS)
@pytest.mark.parametrize("replacement", ["", "xyz", "456", "wxyz12"])
def test_output_rewrites_text_and_matches(open_dialog, make_engine, Match, host, replacement, inputs):
    text, offset_type, length_type = OUTPUT_INPUTS[inputs]
    matches = {name: Match(offset_type(o), length_type(n), text, name, ["r"]) for name, (o, n) in SPANS.items()}
    engine = make_engine(text=text, matches=list(matches.values()))
    dialog = open_dialog(engine)
    dialog.errors_control.SetSelection(2)
    dialog.errors_control.SetFocus()
    assert dialog.output(replacement) is None
    new = text[:4] + replacement + text[7:]
    shift = len(replacement) - 3
    assert engine.text == new and dialog.text.GetValue() == new and host.api.getClipData() == new
    assert host.api.copies[-1] == (new, False)
    kept = [matches[n] for n in ("before", "adjacent before", "at the end of the fix", "behind")]
    assert engine.matches == kept
    for name, match in matches.items():
        offset, length = SPANS[name]
        moved = name in ("at the end of the fix", "behind")
        assert match.offset == offset + (shift if moved else 0)
        assert match.context == (new if moved else text)
        if name != "fixed" and not name.startswith("overlap"):  # each item still names its own text
            assert match.context[match.offset:match.offset + length] == text[offset:offset + length]
    assert dialog.errors_control.GetItems() == dialog.errors and len(dialog.errors) == 4
    assert wait_for(lambda: wx.Window.FindFocus() is dialog.text)


def test_fixing_the_last_error_empties_the_list(open_dialog, make_engine, Match):
    engine = make_engine(text="a teh", matches=[Match(2, 3, "a teh", "Typo", ["the"])])
    dialog = open_dialog(engine)
    dialog.errors_control.SetSelection(0)
    dialog.errors_control.SetFocus()
    dialog.output("the")
    assert engine.text == "a the" and engine.matches == [] and dialog.errors_control.GetCount() == 0
    assert wait_for(lambda: wx.Window.FindFocus() is dialog.text)


@pytest.mark.parametrize("value", [None, b"the", 3, type("Text", (str,), {})("the")])
def test_output_refuses_anything_but_str(checked, host, value):
    dialog, engine = checked
    matches = list(engine.matches)
    with pytest.raises(TypeError) as raised:
        dialog.output(value)
    assert str(raised.value) == ("Argument 'corrected_text' has incorrect type (expected str, got %s)"
                                 % type(value).__name__)
    assert engine.text == TEXT and engine.matches == matches and host.journal.entries == []
