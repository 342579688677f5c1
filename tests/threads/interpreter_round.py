"""One use of both modules, run in whichever interpreter imports this file:
the main one, or a subinterpreter of tests/threads/test_subinterpreters.py.

`answers(root, host, fake_wx)` puts the assembled package (in ROOT), the
host's stand-ins and the stand-in wx on sys.path (wxPython cannot be
imported in an isolated subinterpreter), uses the engine and the dialog's
text building, then drops both modules from sys.modules and does it again
with the module objects a second import makes of the same files; it
returns what it saw as a tuple of str, so that the main interpreter can
compare it with its own.  What it changes (sys.modules, the dialog
module's `api` and `wx`, the stand-ins' script) it puts back: in the main
interpreter the other tests go on with the modules they imported.
"""
import importlib
import sys
import types


def answers(root, host, fake_wx):
    for folder in (fake_wx, host, root):
        if folder not in sys.path:
            sys.path.insert(0, folder)
    seen = _use()
    first = {name: sys.modules.pop(name) for name in MODULES}
    try:
        return seen + _use()
    finally:
        sys.modules.update(first)
        sys.modules["fettle_addon"].fettler = first["fettle_addon.fettler"]
        sys.modules["fettle_addon.gui"].main = first["fettle_addon.gui.main"]


MODULES = ("fettle_addon.fettler", "fettle_addon.gui.main")


def _use():
    fettler = importlib.import_module("fettle_addon.fettler")
    main = importlib.import_module("fettle_addon.gui.main")
    Config = importlib.import_module("fettle_addon.config").Config
    Languages = importlib.import_module("fettle_addon.types").Languages
    Match = importlib.import_module("fettle_addon.language_tool_python").Match
    recorder = importlib.import_module("fettle_addon._recorder").recorder
    api, wx = main.api, main.wx
    try:
        return _ask(fettler, main, Config, Languages, Match, recorder)
    finally:
        main.api, main.wx = api, wx
        recorder.reset()


def own_name(function, name):
    """Whether the name `function` looks up (seen in the AttributeError of
    an object without it) is this interpreter's interned str: the compiler
    interned the literal `name` here, so that must be the very object, not
    an equal one some other interpreter made."""
    try:
        function(types.SimpleNamespace())
    except AttributeError as error:
        return error.name == name, error.name is name
    return "found"


def _ask(fettler, main, Config, Languages, Match, recorder):
    recorder.reset()
    recorder.program("Speller.get_candidates", [(2, "tea"), (1, "the")])
    recorder.program("Speller.autocorrect_sentence", call=str.upper)
    recorder.program("LanguageTool.check", call=lambda text: [Match(0, 3, text, "Typo", ["the", "tea"])])

    seen = []

    def note(label, action):
        try:
            seen.append(f"{label}: {action()!r}")
        except Exception as error:  # noqa: BLE001 - an error is an answer too
            seen.append(f"{label}: {type(error).__name__}: {error}")

    engine = fettler.Fettler(Config([Languages.english, Languages.german, Languages.russian], Languages.german))
    note("current", lambda: engine.current_language)
    note("rotation", lambda: [engine.next_language() for _ in range(4)])
    note("simple variants", lambda: engine.get_variants_simple("teh"))
    note("extended variants", lambda: engine.get_variants_extended("teh"))
    note("simple correction", lambda: engine.correct_simple("teh cat"))
    note("extended correction", lambda: engine.correct_extended("teh cat"))
    note("state", lambda: (engine.text, engine.matches))
    note("supported", lambda: (engine.is_lang_tool_supports, engine.is_autocorrect_supports))
    note("close", engine.close)
    note("bytes", lambda: engine.correct_simple(b"teh"))
    note("unknown default", lambda: fettler.Fettler(Config([Languages.english], Languages.french)))
    note("back-ends", lambda: recorder.names())

    # What `output` asks of wx and of the host's clipboard, without an
    # application or a clipboard.
    copies = []
    main.api = types.SimpleNamespace(copyToClip=lambda text, notify=False: copies.append((text, notify)))
    app = types.SimpleNamespace(IsScheduledForDestruction=lambda window: False)
    main.wx = types.SimpleNamespace(GetApp=lambda: app, NOT_FOUND=main.wx.NOT_FOUND)

    class Control:
        value, items = None, []

        def SetValue(self, value):
            self.value = value

        def GetValue(self):
            return self.value

        def Clear(self):
            self.items = []

        def Set(self, items):
            self.items = list(items)

        def GetSelection(self):
            return 0

        def SetFocus(self):
            pass

    class Dialog:
        errors = main.FettleGUI.errors
        update = main.FettleGUI.update
        output = main.FettleGUI.output

    dialog = Dialog()
    dialog.fettler = engine
    dialog.text, dialog.errors_control = Control(), Control()
    dialog.update()
    note("errors", lambda: dialog.errors)
    note("output", lambda: (dialog.output("the"), engine.text, copies))
    note("classes", lambda: (fettler.Fettler.__qualname__, fettler.Fettler.__module__, main.FettleGUI.__module__))
    note("own names", lambda: [own_name(function, name) for function, name in (
        (fettler.Fettler.is_lang_tool_supports.fget, "current_language"), (main.FettleGUI.errors.fget, "fettler"))])
    return tuple(seen)
