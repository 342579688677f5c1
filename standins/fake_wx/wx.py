"""The smallest stand-in for wx: what `gui.main`'s class statement and the
host stand-ins' module bodies need, and what `FettleGUI.errors` and
`FettleGUI.output` read on a dialog stand-in.  For interpreters that have no
wxPython (and for restarting the interpreter in one process, which
wxPython does not survive); nothing here draws or handles events.
"""

VERTICAL = 8       # a default argument in the host's layout helper
HORIZONTAL = 4
NOT_FOUND = -1     # what the error list's GetSelection gives for no selection


class Window:
    """Base of every window; `output` asks whether its self is one."""


class Dialog(Window):
    """The base class of FettleGUI."""


class Frame(Window):
    """The base class of the host's main frame."""
