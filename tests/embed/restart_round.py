"""One run of the modules in an interpreter that tests/embed/restart_host
has just initialised (again):

    restart_round.py ROOT HOST WX ROUND

ROOT holds the assembled package `fettle_addon`, HOST the host's stand-in
modules, WX the stand-in wx (wxPython itself crashes when it is imported
again after a restart); ROUND is the run's number, or "subinterpreter" in
an isolated subinterpreter (a GIL of its own).  Prints one line per run.
"""
import importlib
import sys
import types

root, host, fake_wx, round_ = sys.argv[1:5]
sys.path[:0] = [root, host, fake_wx]

fettler = importlib.import_module("fettle_addon.fettler")
Config = importlib.import_module("fettle_addon.config").Config
Languages = importlib.import_module("fettle_addon.types").Languages
recorder = importlib.import_module("fettle_addon._recorder").recorder

english, german, russian = Languages.english, Languages.german, Languages.russian
engine = fettler.Fettler(Config([english, german, russian], german, True))
assert engine.current_language is german and engine.text == "" and engine.matches == []
assert [engine.next_language() for _ in range(3)] == [russian, english, german]
recorder.program("Speller.get_candidates", [(2, "tea"), (1, "the")])
assert engine.get_variants_simple("teh") == ["the", "tea"] and engine.text == "teh"
assert engine.correct_simple("teh cat") == "teh cat"
assert engine.is_autocorrect_supports and engine.is_lang_tool_supports
try:
    engine.correct_extended(1)
except TypeError as error:
    assert str(error) == "Argument 'text' has incorrect type (expected str, got int)", error
else:
    raise AssertionError("correct_extended(1) did not raise")
engine.close()

main = importlib.import_module("fettle_addon.gui.main")
Match = importlib.import_module("fettle_addon.language_tool_python").Match
label = importlib.import_module("fettle_addon.translations").Translator.replacements
engine.matches = [Match(4, 3, "the cta sat", "Typo", ["cat", "act"])]
dialog = types.SimpleNamespace(fettler=engine)
assert main.FettleGUI.errors.fget(dialog) == [f"Typo cta {label} cat, act"]

# The names the modules keep for the process must be this
# interpreter's interned strings, not those of an interpreter that has
# ended (on some builds their memory is freed by then).  A failed
# attribute look-up shows the name it used; the compiler interned the
# same text for this script (the literals below) before the modules ran,
# so a name interned in this interpreter is that very object.
for function, name in ((fettler.Fettler.is_lang_tool_supports.fget, "current_language"),
                       (main.FettleGUI.errors.fget, "fettler")):
    try:
        function(types.SimpleNamespace())
    except AttributeError as error:
        assert error.name == name, error
        assert error.name is name, f"{name!r}: the name used is not the interned string of this interpreter"
    else:
        raise AssertionError(f"{function.__qualname__} found {name!r} on an empty object")

print(f"round {round_}: Fettler, FettleGUI")
