from .._recorder import recorder


def _apply_first_replacements(text, matches):
    # Matches count from the start of the unchanged text; a match starting
    # inside a span already replaced is skipped.
    out, pos = [], 0
    for m in sorted((m for m in matches if m.replacements), key=lambda m: m.offset):
        if m.offset < pos:
            continue
        out.append(text[pos:m.offset])
        out.append(m.replacements[0])
        pos = m.offset + m.errorLength
    out.append(text[pos:])
    return "".join(out)


def correct(text, matches):
    return recorder.run("correct", None, (text, matches), {}, _apply_first_replacements)
