class Config:
    def __init__(self, required_languages=(), lang_default=None, need_auto_correct=False):
        self.required_languages = list(required_languages)
        self.lang_default = lang_default
        self.need_auto_correct = need_auto_correct
