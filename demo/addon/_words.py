"""Word handling shared by the spelling and the grammar back-end."""
import re

import enchant

# A word is a run of letters, possibly joined by apostrophes ("don't").
# Digits and underscores never belong to a word.
WORD = re.compile(r"[^\W\d_]+(?:['\u2019][^\W\d_]+)*")


# enchant picks a provider per language, and Debian's default ordering prefers
# aspell for English when it is installed; both back-ends ask for hunspell
# explicitly so that they use the same word lists everywhere.
_broker = enchant.Broker()


def open_dictionary(tag):
    """The hunspell dictionary for an enchant tag such as "en_US"; raises
    enchant.errors.DictNotFoundError when it is not installed."""
    _broker.set_ordering(tag, "hunspell")
    dictionary = _broker.request_dict(tag)
    if dictionary.provider.name != "hunspell":
        raise enchant.errors.DictNotFoundError(
            "no hunspell dictionary for " + tag)
    return dictionary


def has_dictionary(tag):
    try:
        open_dictionary(tag)
    except enchant.errors.DictNotFoundError:
        return False
    return True


def distance(a, b):
    """Edit distance with transpositions (optimal string alignment):
    "recieve" is one step from "receive"."""
    prev2 = None
    prev = list(range(len(b) + 1))
    for i, ca in enumerate(a, 1):
        cur = [i] + [0] * len(b)
        for j, cb in enumerate(b, 1):
            cost = ca != cb
            cur[j] = min(prev[j] + 1, cur[j - 1] + 1, prev[j - 1] + cost)
            if (prev2 is not None and i > 1 and j > 1
                    and ca == b[j - 2] and a[i - 2] == cb):
                cur[j] = min(cur[j], prev2[j - 2] + 1)
        prev2, prev = prev, cur
    return prev[-1]


def ranked(dictionary, word, limit):
    """(key, suggestion) pairs for a misspelt word, in the dictionary's own
    order, without the word itself and without duplicates.  The key is the
    edit distance, doubled, plus one when the first letter's case differs
    from the word's: the smaller, the closer."""
    seen = {word}
    out = []
    for s in dictionary.suggest(word):
        if s in seen:
            continue
        seen.add(s)
        key = 2 * distance(word.casefold(), s.casefold())
        key += word[:1].isupper() != s[:1].isupper()
        out.append((key, s))
        if len(out) == limit:
            break
    return out


def suggestions(dictionary, word, limit):
    """The closest suggestions for a misspelt word, best first."""
    return [s for _, s in sorted(ranked(dictionary, word, 2 * limit),
                                 key=lambda p: p[0])[:limit]]


def match_case(model, word):
    """Give `word` the capitalisation of `model` ("Teh" -> "The")."""
    if model[:1].isupper() and not word[:1].isupper():
        return word[:1].upper() + word[1:]
    return word
