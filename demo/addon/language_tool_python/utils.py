"""Helpers that work on a checker's matches."""


def correct(text, matches):
    """`text` with the first replacement of every match applied.

    Matches without a replacement are left alone, and so is a match that
    overlaps one already applied.  Offsets count characters of `text`."""
    out = []
    pos = 0
    for match in sorted(matches, key=lambda m: m.offset):
        if not match.replacements or match.offset < pos:
            continue
        out.append(text[pos:match.offset])
        out.append(match.replacements[0])
        pos = match.offset + match.errorLength
    out.append(text[pos:])
    return "".join(out)
