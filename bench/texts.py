"""The texts the benchmark checks and fixes: words with misspelt ones
spread evenly, and the grammar errors that go with them."""
import random

WORDS = ("the quick brown fox jumps over a lazy dog while our café owner writes naïve notes about "
         "weather markets history and small things people say every day in town").split()
ONE = [("teh", "the"), ("recieve", "receive"), ("alot", "a lot"), ("wich", "which"),
       ("occured", "occurred"), ("seperate", "separate"), ("definately", "definitely"), ("untill", "until")]
MANY = [("adn", ["and", "add", "an"]), ("thier", ["their", "there"]), ("becuase", ["because"]),
        ("goverment", ["government", "governments", "govern"])]
MESSAGES = ["Possible spelling mistake found.", "Did you mean a different word?",
            "This word is normally spelled differently."]


def make_text(chars, errors, seed, single):
    """A text of about `chars` characters in lines of about 75, with
    `errors` misspelt words spread evenly.  Returns the text and the
    errors as (offset, length, message, replacements); with `single` every
    error has exactly one replacement."""
    rng = random.Random(seed)
    gap = chars / errors
    pieces, found = [], []
    pos = line = 0
    next_error = gap / 2
    while pos < chars or len(found) < errors:
        if len(found) < errors and pos >= next_error:
            if single or rng.random() < 0.5:
                word, replacement = rng.choice(ONE)
                replacements = [replacement]
            else:
                word, replacements = rng.choice(MANY)
            found.append((pos, len(word), rng.choice(MESSAGES), replacements))
            next_error += gap
        else:
            word = rng.choice(WORDS)
        pieces.append(word)
        pos += len(word)
        line += len(word)
        separator = "\n" if line > 75 else " "
        line = 0 if separator == "\n" else line + 1
        pieces.append(separator)
        pos += 1
    text = "".join(pieces)
    for offset, length, _, _ in found[:3]:
        assert text[offset + length] in " \n"
    return text, found


def distinct_copy(text):
    """An equal str that is another object (so comparing them reads both)."""
    copy = (text + " ")[:-1]
    assert copy == text and copy is not text
    return copy
