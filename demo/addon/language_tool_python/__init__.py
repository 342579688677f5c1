"""Grammar back-end: a small rule-based checker.

It reports misspelt words (from the same hunspell dictionary as the spelling
back-end), a word written twice in a row, "a"/"an" before the wrong sound
(English only), a sentence that starts with a lower-case letter and runs of
more than one space.  Matches have the attributes of LanguageTool's matches
that the add-on uses; offsets and lengths count characters (code points) of
the checked text, and `context` is the whole checked text.
"""
import re

from .. import _words
from . import types

# Rules in order of precedence: where two matches overlap, the one found by
# the earlier rule is kept.
_SPELLING, _REPEAT, _ARTICLE, _CASE, _SPACE = range(5)

# Spellings whose sound the first letter does not tell.
_AN_BEFORE = ("hour", "honest", "honor", "honour", "heir")
_A_BEFORE = ("uni", "use", "usu", "uti", "ura", "ure", "euro", "eu", "ewe",
             "one", "once", "ubiq", "uk")
_VOWEL_LETTERS_SPOKEN = set("AEFHILMNORSX")   # "an FBI agent", "an MP"


class Match:
    """One problem found in a text."""

    def __init__(self, rule_id, message, offset, length, context,
                 replacements):
        self.ruleId = rule_id
        self.message = message
        self.offset = offset
        self.errorLength = length
        self.context = context
        self.replacements = replacements

    def __repr__(self):
        return ("Match(ruleId={!r}, offset={}, errorLength={}, "
                "replacements={!r})".format(self.ruleId, self.offset,
                                            self.errorLength,
                                            self.replacements))


def _vowel_sound(word):
    if len(word) > 1 and word.isupper():
        return word[0] in _VOWEL_LETTERS_SPOKEN
    low = word.lower()
    if low.startswith(_AN_BEFORE):
        return True
    if low.startswith(_A_BEFORE):
        return False
    return low[0] in "aeiou"


class LanguageTool:
    """Checks texts in one language."""

    max_suggestions = 5

    def __init__(self, language):
        self.language = language
        tag = language.replace("-", "_")
        self._dictionary = _words.open_dictionary(tag)
        self._english = tag.startswith("en")

    def close(self):
        self._dictionary = None

    def check(self, text):
        if self._dictionary is None:
            raise RuntimeError("the checker has been closed")
        words = list(_words.WORD.finditer(text))
        found = []
        found += self._spelling(text, words)
        found += self._repeats(text, words)
        if self._english:
            found += self._articles(text, words)
        found += self._sentence_starts(text, words)
        found += self._spaces(text)
        kept = []
        for rule, match in sorted(found, key=lambda f: f[0]):
            end = match.offset + match.errorLength
            if all(end <= k.offset or match.offset >= k.offset + k.errorLength
                   for k in kept):
                kept.append(match)
        kept.sort(key=lambda m: m.offset)
        return kept

    def _spelling(self, text, words):
        for w in words:
            if not self._dictionary.check(w.group()):
                yield _SPELLING, Match(
                    "MORFOLOGIK_RULE", "Possible spelling mistake found.",
                    w.start(), len(w.group()), text,
                    _words.suggestions(self._dictionary, w.group(),
                                       self.max_suggestions))

    @staticmethod
    def _repeats(text, words):
        for a, b in zip(words, words[1:]):
            between = text[a.end():b.start()]
            if (between and between.isspace()
                    and a.group().casefold() == b.group().casefold()):
                yield _REPEAT, Match(
                    "WORD_REPEAT_RULE", "Possible typo: you repeated a word.",
                    a.start(), b.end() - a.start(), text, [a.group()])

    @staticmethod
    def _articles(text, words):
        for a, b in zip(words, words[1:]):
            article = a.group()
            if article.lower() not in ("a", "an"):
                continue
            if not text[a.end():b.start()].isspace():
                continue
            wanted = "an" if _vowel_sound(b.group()) else "a"
            if article.lower() == wanted:
                continue
            replacement = _words.match_case(article, wanted)
            yield _ARTICLE, Match(
                "EN_A_VS_AN",
                'Use "{}" instead of "{}" before "{}".'.format(
                    replacement, article, b.group()),
                a.start(), len(article), text, [replacement])

    @staticmethod
    def _sentence_starts(text, words):
        for w in words:
            before = text[:w.start()].rstrip()
            starts = not before or (before[-1] in ".!?"
                                    and w.start() > len(before))
            word = w.group()
            if starts and word[0].islower():
                yield _CASE, Match(
                    "UPPERCASE_SENTENCE_START",
                    "This sentence does not start with an uppercase letter.",
                    w.start(), len(word), text, [word[0].upper() + word[1:]])

    @staticmethod
    def _spaces(text):
        for m in re.finditer(r" {2,}", text):
            yield _SPACE, Match(
                "WHITESPACE_RULE", "Possible typo: you repeated a whitespace.",
                m.start(), len(m.group()), text, [" "])
