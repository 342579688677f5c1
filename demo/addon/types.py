"""The languages a user of the add-on can configure.

A member's name is the key into the back-ends' own language tables
(``autocorrect.types.Languages``, ``language_tool_python.types.Languages``);
its value is what the host shows to the user.
"""
from enum import Enum


class Languages(Enum):
    en_US = "English (United States)"
    de_DE = "Deutsch (Deutschland)"
    fr_FR = "Français (France)"
