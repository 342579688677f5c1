"""What the grammar library's `correct` does, without the library.

The demo's companions use this very file (tools/addon_package.py copies it
into their package), the stand-ins wrap it in the recorder."""


def correct(text, matches):
    """`text` with the first replacement of every match applied.

    Matches count from the start of the unchanged text; one without a
    replacement is left alone, and so is one starting inside a span
    already replaced."""
    out, pos = [], 0
    for m in sorted((m for m in matches if m.replacements), key=lambda m: m.offset):
        if m.offset < pos:
            continue
        out.append(text[pos:m.offset])
        out.append(m.replacements[0])
        pos = m.offset + m.errorLength
    out.append(text[pos:])
    return "".join(out)
