"""Stand-in grammar back-end; it logs every call in the shared recorder.

In the instant mode (see _recorder) every `check` returns a new list of the
matches in `prepared` and nothing is logged."""

from .._recorder import instant, recorder

prepared = []


class Match:
    """One grammar error, positions counted in code points of `context`."""

    def __init__(self, offset, errorLength, context="", message="", replacements=()):
        self.offset = offset
        self.errorLength = errorLength
        self.context = context
        self.message = message
        self.replacements = list(replacements)

    def __repr__(self):
        return (f"Match(offset={self.offset!r}, errorLength={self.errorLength!r}, "
                f"message={self.message!r}, replacements={self.replacements!r})")


class LanguageTool:
    def __init__(self, *args, **kwargs):
        recorder.run("LanguageTool", self, args, kwargs, lambda *a, **k: None)
        self.args = args
        self.kwargs = kwargs
        self.code = args[0] if args else None
        self.closed = 0

    def check(self, text):
        # A new list on every call: the caller owns it and edits it in place.
        return recorder.run("LanguageTool.check", self, (text,), {}, lambda t: [])

    def close(self):
        self.closed += 1
        return recorder.run("LanguageTool.close", self, (), {}, lambda: None)


class InstantLanguageTool:
    def __init__(self, language=None):
        self.language = language

    def check(self, text):
        # A new list on every call, as above.
        return list(prepared)

    def close(self):
        pass


if instant:
    LanguageTool = InstantLanguageTool
