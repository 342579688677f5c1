"""The controls of the dialog, the check and the error list."""
import pytest
import wx

from .conftest import MESSAGE, click, pump, wait_for


def test_controls_in_creation_order_with_their_styles(open_dialog, engine, Translator):
    dialog = open_dialog(engine)
    children = list(dialog.GetChildren())
    assert [type(c) for c in children] == [wx.StaticText, wx.TextCtrl, wx.StaticText, wx.ListBox, wx.Button, wx.Button]
    assert children[1:] == [dialog.text, children[2], dialog.errors_control, dialog.check_button, dialog.close_button]
    assert [c.GetLabel() for c in (children[0], children[2], dialog.check_button, dialog.close_button)] == [
        Translator.text, Translator.list_errors, Translator.check, Translator.close]
    style = wx.TE_MULTILINE | wx.HSCROLL
    assert dialog.text.GetWindowStyleFlag() & style == style
    style = wx.LB_HSCROLL | wx.LB_NEEDED_SB | wx.LB_SINGLE
    assert dialog.errors_control.GetWindowStyleFlag() & style == style
    assert dialog.errors_control.GetWindowStyleFlag() & (wx.LB_MULTIPLE | wx.LB_EXTENDED | wx.LB_ALWAYS_SB) == 0
    assert len({c.GetId() for c in children}) == len(children)
    assert dialog.GetDefaultItem() not in (dialog.check_button, dialog.close_button)


def test_sizers_stack_three_groups_at_natural_height(open_dialog, engine):
    dialog = open_dialog(engine)
    main = dialog.GetSizer()
    assert isinstance(main, wx.BoxSizer) and main.GetOrientation() == wx.VERTICAL
    groups = list(main.GetChildren())
    assert [g.GetSizer().GetOrientation() for g in groups] == [wx.HORIZONTAL, wx.VERTICAL, wx.HORIZONTAL]
    for item in groups + [g.GetSizer().GetChildren()[0] for g in groups]:
        assert (item.GetBorder(), item.GetFlag() & (wx.EXPAND | wx.ALL), item.GetProportion()) == (2, wx.EXPAND | wx.ALL, 0)
    heights = [g.GetSize().height for g in groups]
    widths = [g.GetSize().width for g in groups]
    dialog.SetSize((1000, 700))
    dialog.Layout()
    assert [g.GetSize().height for g in groups] == heights
    assert [g.GetSize().width for g in groups] == [w + 200 for w in widths]
    assert len(set(widths)) == 1


@pytest.mark.parametrize("text, typos", [("", 0), ("teh cat adn a dog", 2)])
def test_initial_fill_from_the_engine(open_dialog, make_engine, text, typos, fakes, Match):
    engine = make_engine()
    if text:
        engine.correct_extended(text)
    dialog = open_dialog(engine)
    assert dialog.text.GetValue() == text == engine.text
    assert dialog.errors_control.GetItems() == dialog.errors and len(dialog.errors) == typos
    assert dialog.errors_control.GetSelection() == wx.NOT_FOUND


class Position(int):
    pass


class Text(str):
    pass


# How a match's values are given: plain str and int values, with the
# replacements in a list, make the item in one copy; the others go through
# Python's slicing, formatting and join, which must agree.
MATCH_INPUTS = {
    "plain": lambda context, offset, length, replacements: (context, offset, length, replacements),
    "int subclass positions": lambda context, offset, length, replacements: (
        context, Position(offset), Position(length), replacements),
    "str subclass context": lambda context, offset, length, replacements: (
        Text(context), offset, length, replacements),
    "replacements in a tuple": lambda context, offset, length, replacements: (
        context, offset, length, tuple(replacements)),
}


@pytest.mark.parametrize("inputs", MATCH_INPUTS)
@pytest.mark.parametrize("message, context, offset, length, replacements, item", [
    ("Typo", "the cta sat", 4, 3, ["cat"], "Typo cta R: cat"),
    ("Typo", "the cta sat", 4, 3, [], "Typo cta R: "),
    ("Missing", "abc", 1, 0, ["x", "y"], "Missing  R: x, y"),
    (42, "ab", 1, 9, ["b"], "42 b R: b"),  # message formatted, slice clamped
    ("Many", "word", 0, 4, [f"w{i}" for i in range(20)], "Many word R: " + ", ".join(f"w{i}" for i in range(20))),
    ("Ünïcode", "añb😀c", 3, 1, ["ß"], "Ünïcode 😀 R: ß"),  # code points, not bytes
    ("Typo", "añb😀c", 0, 1, ["x", "€"], "Typo a R: x, €"),  # as narrow as Python's str: the context is wider
])
def test_error_items(open_dialog, make_engine, Match, Translator, monkeypatch,
                     message, context, offset, length, replacements, item, inputs):
    monkeypatch.setattr(Translator, "replacements", "R:")
    context, offset, length, replacements = MATCH_INPUTS[inputs](context, offset, length, replacements)
    match = Match(offset, length, context, message)
    match.replacements = replacements  # as given: the stand-in would make a list of them
    engine = make_engine(text=context, matches=[match] * 2)
    dialog = open_dialog(engine)
    assert dialog.errors == [item, item]
    assert dialog.errors_control.GetItems() == [item, item]
    assert dialog.errors is not dialog.errors
    with pytest.raises(AttributeError):
        dialog.errors = []


class Logged:
    """A match whose attribute reads (and the formatting of what they give)
    are logged in order."""

    def __init__(self, log, **values):
        self._log, self._values = log, values

    def __getattr__(self, name):
        self._log.append(name)
        return self._values[name]


class Piece(str):
    def __format__(self, how):
        Piece.log.append(f"format {str(self)}")
        return str(self)


def test_error_item_reads_in_the_statements_order(open_dialog, make_engine, Translator, monkeypatch):
    log = []
    Piece.log = log
    monkeypatch.setattr(Translator, "replacements", Piece("label"))
    engine = make_engine(text="abc")
    dialog = open_dialog(engine)
    engine.matches = [Logged(log, context=Piece("abc"), offset=1, errorLength=1, message=Piece("msg"),
                             replacements=["x"])]
    assert dialog.errors == ["msg b label x"]
    # the error text first, as its slice reads it; then the f-string's pieces in order
    assert log == ["context", "offset", "offset", "errorLength", "message", "format msg", "format label",
                   "replacements"]
    log.clear()
    engine.matches = [object()]
    with pytest.raises(AttributeError, match="'object' object has no attribute 'context'"):
        dialog.errors
    engine.matches = [Logged(log, message="m")]
    with pytest.raises(KeyError, match="context"):
        dialog.errors
    assert log == ["context"]  # the message is not read before the error text


def test_update_with_a_broken_match_leaves_the_list_empty(open_dialog, make_engine, Match):
    engine = make_engine(text="teh", matches=[Match(0, 3, "teh", "Typo", ["the"])])
    dialog = open_dialog(engine)
    engine.text = "new text"
    engine.matches.append(Match(0, 1, "new", "Bad", [None]))
    with pytest.raises(TypeError):
        dialog.update()
    assert dialog.text.GetValue() == "new text" and dialog.errors_control.GetCount() == 0


@pytest.mark.parametrize("text", ["teh cat adn teh dog", "", "nothing wrong here"])
def test_check_button(open_dialog, engine, host, fakes, Translator, text):
    dialog = open_dialog(engine)
    dialog.text.SetValue(text)
    for round_ in (1, 2):  # a second check on the same text does it all again
        host.journal.clear()
        click(dialog.check_button)
        corrected = text.replace("teh", "the").replace("adn", "and")
        assert [c.args for c in fakes.of("LanguageTool.check")][-1] == (text,)
        assert host.journal.entries == [("message", Translator.text_checked), ("copyToClip", corrected, False)]
        assert host.api.getClipData() == corrected
        assert engine.text == text and dialog.text.GetValue() == text
        assert dialog.errors_control.GetCount() == len(engine.matches) == text.count("teh") + text.count("adn")
        assert all(item.startswith(MESSAGE) for item in dialog.errors_control.GetItems())
        assert wait_for(lambda: wx.Window.FindFocus() is dialog.errors_control)
        dialog.text.SetFocus()
        pump()


def test_failed_check_changes_nothing_visible(open_dialog, engine, host, fakes):
    dialog = open_dialog(engine)
    dialog.text.SetValue("teh cat")
    dialog._check()
    items, clipboard = dialog.errors_control.GetItems(), host.api.getClipData()
    host.journal.clear()
    fakes.program("LanguageTool.check", raises=ConnectionError("server down"))
    dialog.text.SetValue("adn more")
    with pytest.raises(ConnectionError):
        dialog._check()
    assert host.journal.entries == [] and host.api.getClipData() == clipboard
    assert dialog.errors_control.GetItems() == items
