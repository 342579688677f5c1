"""Companion modules of the demo add-on.

The demo host copies this folder into a temporary directory as the package
``fettle_demo_addon`` and puts the two built modules beside these files
(``fettler`` at the top, ``main`` in ``gui/``), which is how the add-on is
laid out in the real host; it also adds ``language_tool_python/_correct.py``,
the ``correct`` the demo shares with the test stand-ins.  The back-ends here
are small but real: spelling comes from the hunspell dictionaries through
enchant, grammar from a handful of rules in ``language_tool_python``.
"""
