"""The compiled engine against the plain-Python rendering in reference/.

Hypothesis draws a configuration (the add-on's languages mixed with hostile
values), what each back-end fake does, and a sequence of operations; both
implementations run it, each in its own package with its own fakes, and
must agree on every result and exception (type and text), on the engine's
state after each step, on every back-end call and on every call made into
the hostile values.

Seeds and case counts: see tests/differential.py.
"""
import enum

import pytest
from hypothesis import given, strategies as st

from differential import assert_same, mostly, outcome, seeded

NAMES = ["english", "german", "russian", "french", "esperanto"]


class Odd:
    """A hostile language value: its `name` and `==` are as the case says,
    and every use of them is logged."""

    def __init__(self, tag, name, eq, log, advances=0, engine=()):
        self.tag, self._name, self._eq, self._log = tag, name, eq, log
        self._advances, self._engine = advances, engine

    @property
    def name(self):
        self._log.append(("name", self.tag))
        if self._name == "raises":
            raise KeyError(f"no name for {self.tag}")
        return self._name

    def __eq__(self, other):
        self._log.append(("==", self.tag, describe(other)))
        # each comparison (of a bounded search) advances the engine under construction
        for _ in range(self._advances if len(self._log) < 100 else 0):
            self._log.append(("advanced", describe(self._engine[0].next_language())))
        if self._eq == "raises":
            raise LookupError(f"cannot compare {self.tag}")
        if self._eq == "never":
            return False
        return describe(other) == describe(self)

    __hash__ = object.__hash__

    def __repr__(self):
        return f"Odd({self.tag})"


class Sub(str):
    pass


class M:
    """A grammar match as the back-end hands it out."""

    def __init__(self, offset, length, replacements):
        self.offset, self.errorLength, self.context = offset, length, "ctx"
        self.message, self.replacements = "msg", replacements


def describe(value):
    if isinstance(value, enum.Enum):
        return ("member", value.name)
    if isinstance(value, Odd):
        return ("odd", value.tag)
    if isinstance(value, M):
        return ("match", value.offset, value.errorLength, describe(value.replacements))
    if type(value) in (list, tuple):
        return (type(value).__name__, [describe(item) for item in value])
    if type(value) is dict:
        return ("dict", sorted((k, describe(v)) for k, v in value.items()))
    if type(value) in (str, int, bool, bytes, type(None)):
        return (type(value).__name__, value)
    return ("object", type(value).__name__)




# --- the cases ----------------------------------------------------------


texts = st.text(st.sampled_from("ab é😀\0\ud800\t"), max_size=6)
language = mostly(st.tuples(st.just("member"), st.sampled_from(NAMES)), st.one_of(
    st.tuples(st.just("odd"), st.sampled_from(NAMES + ["klingon", "raises", 42]),
              st.sampled_from(["same", "never", "raises"]), st.sampled_from([0, 0, 1, 2])),
    st.just(("none",)),
), 7)
config = st.fixed_dictionaries({
    "required": mostly(st.lists(language, min_size=1, max_size=4), st.just([]), 9),
    "container": st.sampled_from(["list", "tuple", "iterator"]),
    "repeat": st.sampled_from([None, None, 0, 1, 2]),  # required + required[repeat:]
    "default": st.one_of(st.tuples(st.just("pick"), st.integers(0, 3)), language),
})
candidates = st.lists(st.tuples(st.one_of(st.integers(-2, 2), st.just("k")), texts), max_size=4)
matches = st.lists(st.builds(M, st.integers(-1, 5), st.integers(0, 3), st.lists(texts, max_size=3)), max_size=3)
BACKENDS = {
    "Speller": st.none(),
    "LanguageTool": st.none(),
    "LanguageTool.close": st.none(),
    "correct": st.one_of(st.none(), texts),
    "Speller.get_candidates": st.one_of(candidates, st.just([5]), st.none()),
    "Speller.autocorrect_word": st.one_of(st.none(), texts),
    "Speller.autocorrect_sentence": st.one_of(st.none(), texts),
    "LanguageTool.check": st.one_of(matches, st.none()),
}
# per fake: mostly its default, else a value or a failure
backends = st.fixed_dictionaries({
    name: mostly(st.just(("default",)), st.one_of(st.tuples(st.just("value"), values), st.just(("raises",))), 7)
    for name, values in BACKENDS.items()})
argument = mostly(st.tuples(st.sampled_from(["positional", "keyword"]), texts), st.one_of(
    st.tuples(st.just("subclass"), texts),
    st.tuples(st.sampled_from(["none", "bytes", "int"]), st.just("")),
    st.tuples(st.just("odd keyword"), st.sampled_from(["\ud800", "te\0xt", "", "words"])),
), 6)
operation = st.one_of(
    st.sampled_from([("next_language",), ("init_speller",), ("init_lang_tool",), ("close",),
                     ("is_lang_tool_supports",), ("is_autocorrect_supports",)]),
    st.tuples(st.sampled_from(["get_variants_simple", "get_variants_extended", "correct_simple",
                               "correct_extended"]), argument),
)
cases = st.fixed_dictionaries({"config": config, "backends": backends,
                               "operations": st.lists(operation, min_size=1, max_size=8)})


# --- one run ------------------------------------------------------------

KEYWORD = {"get_variants_simple": "word", "get_variants_extended": "word", "correct_simple": "text",
           "correct_extended": "text"}


def build_language(token, languages, log, engine=()):
    if token[0] == "member":
        return languages[token[1]]
    if token[0] == "odd":
        return Odd(f"{token[1]}/{token[2]}", token[1], token[2], log, token[3], engine)
    return None


def program(recorder, name, behaviour):
    if behaviour[0] == "raises":
        recorder.program(name, raises=RuntimeError(f"{name} failed"))
    elif behaviour[0] == "value":
        value = behaviour[1]
        if name == "LanguageTool.check" and value is not None:
            # fresh matches per call: the engine hands them out
            recorder.program(name, call=lambda text, value=value: [M(m.offset, m.errorLength, list(m.replacements))
                                                                   for m in value])
        else:
            recorder.program(name, value)


def operate(engine, op):
    name = op[0]
    if len(op) == 1:
        if name.startswith("is_"):
            return outcome(lambda: getattr(engine, name), describe)
        return outcome(getattr(engine, name), describe)
    kind, text = op[1]
    method = getattr(engine, name)
    arguments = {"positional": ((text,), {}), "keyword": ((), {KEYWORD[name]: text}),
                 "subclass": ((Sub(text),), {}), "none": ((None,), {}), "bytes": ((b"x",), {}),
                 "int": ((5,), {}), "odd keyword": ((), {text: "x"})}[kind]
    return outcome(lambda: method(*arguments[0], **arguments[1]), describe)


def state(engine):
    return [describe(engine.text), describe(engine.matches), describe(engine.current_language),
            describe(engine.speller), describe(engine.lang_tool)]


def run(case, module, companions, recorder):
    """What one implementation did: a list of steps, each comparable."""
    recorder.reset()
    for name, behaviour in case["backends"].items():
        program(recorder, name, behaviour)
    log = []
    languages = companions["types"].Languages
    chosen = case["config"]
    made = []
    tokens = chosen["required"] + ([] if chosen["repeat"] is None else chosen["required"][chosen["repeat"]:])
    required = [build_language(token, languages, log, made) for token in tokens]
    required = {"list": list, "tuple": tuple, "iterator": iter}[chosen["container"]](required)
    default = chosen["default"]
    if default[0] == "pick":
        default = chosen["required"][default[1] % len(chosen["required"])] if chosen["required"] else ("none",)
    config = companions["config"].Config(required, build_language(default, languages, log, made))
    steps = []
    made.append(module.Fettler.__new__(module.Fettler))  # reachable from the comparisons during __init__
    steps.append(("construct", outcome(lambda: made[0].__init__(config), describe)))
    for op in case["operations"] if steps[0][1][0] == "returned" else []:
        steps.append((op, operate(made[0], op), state(made[0])))
    steps.append(("back-end calls", [(c.name, describe(c.args), describe(c.kwargs)) for c in recorder.calls]))
    steps.append(("hostile values", log))
    return steps



@pytest.fixture(scope="module")
def implementations(fettler_module, reference_fettler_module, addon_dir):
    return fettler_module, reference_fettler_module


@seeded(250)
@given(case=cases)
def test_engine_agrees_with_the_reference(case, implementations, companions, reference_companions, fakes,
                                          reference_fakes):
    compiled = run(case, implementations[0], companions, fakes)
    reference = run(case, implementations[1], reference_companions, reference_fakes)
    assert_same(compiled, reference)
