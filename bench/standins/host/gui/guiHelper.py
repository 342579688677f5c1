"""The host's layout helper: the very stand-in the tests use
(standins/host/gui/guiHelper.py), so both measure the same layout."""

from pathlib import Path

_shared = Path(__file__).resolve().parents[4] / "standins" / "host" / "gui" / "guiHelper.py"
exec(compile(_shared.read_text(), str(_shared), "exec"))
