"""Stand-in for the add-on's configuration object."""


class Config:
    def __init__(self, required_languages=None, lang_default=None, need_auto_correct=False):
        self.required_languages = [] if required_languages is None else required_languages
        self.lang_default = lang_default
        self.need_auto_correct = need_auto_correct
