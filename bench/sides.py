"""The implementations side by side: the compiled modules and their two
peers, the plain-Python rendering and that rendering compiled with Cython
(scripts/cython-peers).  Each gets an add-on package of its own
(tools/addon_package.py), with the instant stand-ins, and is driven through
a `Side` holding its modules, an engine and a dialog."""
import importlib
import sys
from pathlib import Path

REPO = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(REPO / "tools"))
import addon_package  # noqa: E402 - found through the line above

IMPLS = ("compiled", "cython", "plain")
# What the compiled modules are measured against: each case's ratio is
# theirs over the faster of these.
PEERS = ("plain", "cython")
PACKAGES = {"compiled": "fettle_compiled", "cython": "fettle_cython", "plain": "fettle_plain"}
IMPL_OF = {"compiled": "compiled", "cython": "cython", "plain": "reference"}


def assemble(root, build, cython_build, impls=IMPLS):
    """The packages of `impls` side by side in `root`, importable."""
    folders = {"compiled": build, "cython": cython_build, "plain": None}
    for impl in impls:
        package = PACKAGES[impl]
        try:
            addon_package.assemble(root, package, IMPL_OF[impl], folders[impl])
        except addon_package.MissingModule as error:
            sys.exit(f"bench: {error}")
    addon_package.put_on_path(root)


class EngineSide:
    """One implementation in the package `package`: its modules and an
    engine."""

    def __init__(self, impl, package):
        self.impl = impl
        self.fettler = importlib.import_module(f"{package}.fettler")
        self.main = importlib.import_module(f"{package}.gui.main")
        self.lt = importlib.import_module(f"{package}.language_tool_python")
        self.ac = importlib.import_module(f"{package}.autocorrect")
        self.Config = importlib.import_module(f"{package}.config").Config
        self.Languages = importlib.import_module(f"{package}.types").Languages
        self.Match = self.lt.Match
        self.Fettler = self.fettler.Fettler
        self.FettleGUI = self.main.FettleGUI
        self.config = self.make_config()
        self.engine = self.Fettler(self.config)

    def make_config(self):
        L = self.Languages
        return self.Config([L.english, L.german, L.russian], L.german, True)

    def matches(self, text, found):
        return [self.Match(offset, length, text, message, replacements)
                for offset, length, message, replacements in found]

    def load(self, text, matches):
        """Puts text and matches into the engine, as a check would; the
        matches get back their first offset and context."""
        for match, (offset, _, _, _) in zip(matches, self.found):
            match.offset = offset
            match.context = text
        self.engine.text = text
        self.engine.matches = list(matches)


class Side(EngineSide):
    """One implementation of the two, with a real dialog."""

    def __init__(self, impl, mainframe):
        super().__init__(impl, PACKAGES[impl])
        self.dialog = self.FettleGUI(mainframe, self.engine, None)
        self.real_text = self.dialog.text
        self.real_list = self.dialog.errors_control

    def shadow(self, text_control, list_control=None):
        """Engine-side cases: the dialog's `update` does nothing and its
        text control (and, if given, its error list) is a stand-in
        (instance attributes, which the dialog looks up through the
        instance)."""
        calls = []
        self.dialog.update = lambda: calls.append(1)
        self.dialog.text = text_control
        if list_control is not None:
            self.dialog.errors_control = list_control
        return calls

    def unshadow(self):
        vars(self.dialog).pop("update", None)
        self.dialog.text = self.real_text
        self.dialog.errors_control = self.real_list


class HeldText:
    """Text control stand-in whose content is a given str."""

    def __init__(self, value):
        self.value = value

    def GetValue(self):
        return self.value

    def SetValue(self, value):
        self.value = value

    def SetFocus(self):
        pass


class ListStandIn:
    """Error list stand-in: a selection (the first item unless set), its
    items dropped; events name the real list, when there is one."""

    def __init__(self, real=None):
        self.id = real.GetId() if real is not None else None
        self.selection = 0

    def GetId(self):
        return self.id

    def GetSelection(self):
        return self.selection

    def SetSelection(self, index):
        self.selection = index

    def Clear(self):
        pass

    def Set(self, items):
        pass

    def SetFocus(self):
        pass


class EngineText(HeldText):
    """Text control stand-in that always shows the engine's text."""

    def __init__(self, engine):
        self.engine = engine

    def GetValue(self):
        return self.engine.text


# ---------------------------------------------------------------- cases

def same_answer(expression, names):
    """Every implementation must give the same answer for what is timed."""
    def plain_value(value):
        if isinstance(value, (str, bool, int, list)):
            return value
        return getattr(value, "name", type(value).__name__)
    answers = {impl: plain_value(eval(expression, names[impl])) for impl in names}
    if len({repr(answer) for answer in answers.values()}) != 1:
        raise AssertionError(f"{expression}: the answers of {', '.join(answers)} differ")
