"""Spelling back-end on hunspell dictionaries (through enchant)."""
from .. import _words
from . import types


class Speller:
    """Spelling suggestions and corrections for one language."""

    def __init__(self, lang="en_US", max_candidates=10):
        self.lang = lang
        self.max_candidates = max_candidates
        self._dictionary = _words.open_dictionary(lang)

    def get_candidates(self, word):
        """(key, word) pairs for `word`, in the dictionary's own order; the
        smaller the key, the closer the suggestion (a correctly spelt word
        comes first with key 0)."""
        if not word.strip():
            return []
        pairs = []
        if self._dictionary.check(word):
            pairs.append((0, word))
        pairs += _words.ranked(self._dictionary, word, self.max_candidates)
        return pairs

    def autocorrect_word(self, text):
        """`text` with each misspelt word replaced by its best suggestion;
        everything else (punctuation, spacing) is kept as it is."""
        return _words.WORD.sub(lambda m: self._best(m.group()), text)

    def autocorrect_sentence(self, text):
        return self.autocorrect_word(text)

    def _best(self, word):
        if self._dictionary.check(word):
            return word
        candidates = sorted(self.get_candidates(word), key=lambda p: p[0])
        if not candidates:
            return word
        return _words.match_case(word, candidates[0][1])
