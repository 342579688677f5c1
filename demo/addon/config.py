"""The add-on's settings as the engine reads them."""
from .types import Languages


class Config:
    """Languages to rotate through, the one to start with, and whether the
    corrected text goes back to where it came from when the dialog closes."""

    def __init__(self, required_languages=None, lang_default=None,
                 need_auto_correct=True):
        if required_languages is None:
            required_languages = [Languages.en_US, Languages.de_DE,
                                  Languages.fr_FR]
        self.required_languages = list(required_languages)
        self.lang_default = (lang_default if lang_default is not None
                             else self.required_languages[0])
        self.need_auto_correct = need_auto_correct
