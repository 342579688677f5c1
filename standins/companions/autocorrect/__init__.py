"""Stand-in spelling back-end; it logs every call in the shared recorder."""

from .._recorder import recorder


def _same(text):
    return text


class Speller:
    def __init__(self, *args, **kwargs):
        recorder.run("Speller", self, args, kwargs, lambda *a, **k: None)
        self.args = args
        self.kwargs = kwargs
        self.lang = kwargs.get("lang")

    def get_candidates(self, word):
        return recorder.run("Speller.get_candidates", self, (word,), {}, lambda w: [])

    def autocorrect_word(self, text):
        return recorder.run("Speller.autocorrect_word", self, (text,), {}, _same)

    def autocorrect_sentence(self, text):
        return recorder.run("Speller.autocorrect_sentence", self, (text,), {}, _same)
