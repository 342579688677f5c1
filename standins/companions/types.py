"""The add-on's own language values: each member's name names the language
in both back-ends' tables (french only in the spelling one, esperanto only
in the grammar one)."""

from enum import Enum


class Languages(Enum):
    english = "English"
    german = "German"
    russian = "Russian"
    french = "French"
    esperanto = "Esperanto"
