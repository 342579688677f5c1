"""Helpers that work on a checker's matches.

`correct` applies the first replacement of every match; it is the very
function the test stand-ins use (standins/companions/language_tool_python/
_correct.py), copied beside this file when the demo package is assembled
(demo/package.py)."""
from ._correct import correct  # noqa: F401 - this module's interface
