"""Call log and script shared by the companion stand-ins.

Every fake call goes through `recorder.run`, which logs it in `calls` (in
order, across all fakes) and then does what the test programmed for that
name, or the fake's own default.  Names: "Speller", "Speller.get_candidates",
"Speller.autocorrect_word", "Speller.autocorrect_sentence", "LanguageTool",
"LanguageTool.check", "LanguageTool.close", "correct".

With FETTLE_STANDINS=instant in the environment (the benchmark sets it) the
back-end fakes are made instead in an instant, quiet form: they record
nothing, take no script and answer at once with data set on their modules
(`autocorrect.candidates`, `language_tool_python.prepared`), so that timing
a caller measures the caller's own work.
"""
import os
from dataclasses import dataclass

instant = os.environ.get("FETTLE_STANDINS") == "instant"

_UNSET = object()


@dataclass(eq=False, slots=True)
class Call:
    """One call of a fake: its name, the fake object (None for a function),
    the arguments and, once it returned, the result."""
    name: str
    target: object
    args: tuple
    kwargs: dict
    result: object = None

    def __repr__(self):
        return f"Call({self.name!r}, args={self.args!r}, kwargs={self.kwargs!r})"


class Recorder:
    def __init__(self):
        self.reset()

    def reset(self):
        """Forget the calls and every programmed behaviour."""
        self.calls = []
        self._script = {}

    def program(self, name, value=_UNSET, *, raises=None, call=None):
        """Decide what the fake `name` does from now on.

        `value`: returned by every call (a list is copied per call, so each
        call hands out a fresh list);  `call`: called with the fake's
        arguments, its result returned;  `raises`: raised instead.  With none
        of them the fake's default comes back.
        """
        if value is _UNSET and raises is None and call is None:
            self._script.pop(name, None)
        else:
            self._script[name] = (value, raises, call)

    def names(self):
        return [c.name for c in self.calls]

    def of(self, name):
        return [c for c in self.calls if c.name == name]

    def run(self, name, target, args, kwargs, default):
        entry = Call(name, target, args, kwargs)
        self.calls.append(entry)
        value, raises, call = self._script.get(name, (_UNSET, None, None))
        if raises is not None:
            # a fresh traceback each time, so that repeated failures hold nothing
            raise raises.with_traceback(None)
        if call is not None:
            result = call(*args, **kwargs)
        elif value is not _UNSET:
            result = list(value) if type(value) is list else value
        else:
            result = default(*args, **kwargs)
        entry.result = result
        return result


recorder = Recorder()
