"""Stand-in spelling back-end; it logs every call in the shared recorder.

In the instant mode (see _recorder) every `get_candidates` returns
`candidates` itself (callers only read it) and nothing is logged."""

from .._recorder import instant, recorder

candidates = []


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


class InstantSpeller:
    def __init__(self, lang=None):
        self.lang = lang

    def get_candidates(self, word):
        return candidates

    def autocorrect_word(self, text):
        return text

    def autocorrect_sentence(self, text):
        return text


if instant:
    Speller = InstantSpeller
