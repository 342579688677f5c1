"""Languages the grammar back-end has rules for.  The value is the
checker's language code."""
from enum import Enum


class Languages(Enum):
    en_US = "en-US"
    en_GB = "en-GB"
    de_DE = "de-DE"
