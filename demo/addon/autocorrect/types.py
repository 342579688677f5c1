"""Languages the spelling back-end knows: those whose hunspell dictionary is
installed.  The value is the enchant tag of the dictionary."""
from enum import Enum

from .._words import has_dictionary

_KNOWN = ("en_US", "en_GB", "de_DE", "fr_FR")

Languages = Enum("Languages", {tag: tag for tag in _KNOWN
                               if has_dictionary(tag)})
