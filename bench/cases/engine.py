"""The engine's members, each timed in a loop."""
import random

from sides import same_answer
from texts import MESSAGES


SENTENCE = "Their is a smal mistake in this sentense, and anotehr one here."


def engine_names(side):
    """Prepares the back-ends' answers of one side; the names the cases'
    statements use there: an engine with both back-ends built (`e`), one
    that rotates (`r`), the class, its configuration and the sentence."""
    rng = random.Random(5)
    candidates = [(rng.random(), f"word{i}") for i in range(50)]
    for i in range(0, 50, 7):  # equal keys too: the sort must stay stable
        candidates[i] = (0.5, candidates[i][1])
    side.ac.candidates = candidates
    side.lt.prepared = side.matches(SENTENCE, [(0, 5, MESSAGES[0], ["There"]), (11, 4, MESSAGES[0], ["small"]),
                                               (46, 7, MESSAGES[0], ["another", "anote"])])
    engine = side.Fettler(side.config)
    engine.init_speller()
    engine.init_lang_tool()
    rotating = side.Fettler(side.config)
    return {"Fettler": side.Fettler, "config": side.config, "e": engine, "r": rotating, "sentence": SENTENCE}


BACKENDS = "instant back-ends (prepared answers)"
# (id, title, what it includes, the statement timed)
LOOP = [
    ("engine.construct", "Fettler(config)",
     "construction and release of an engine, 3 languages, default the 2nd", "Fettler(config)"),
    ("engine.next_language", "next_language()",
     "close() with no back-end, next language of the rotation", "r.next_language()"),
    ("engine.is_lang_tool_supports", "is_lang_tool_supports",
     "property read, language found", "e.is_lang_tool_supports"),
    ("engine.is_autocorrect_supports", "is_autocorrect_supports",
     "property read, language found", "e.is_autocorrect_supports"),
    ("engine.get_variants_simple", "get_variants_simple, 50 candidates",
     f"init_speller (already built), sort of 50 candidates by key, the words; {BACKENDS}",
     "e.get_variants_simple('recieve')"),
    ("engine.get_variants_extended", "get_variants_extended",
     f"init_lang_tool (already built), check (3 matches), first match's replacements; {BACKENDS}",
     "e.get_variants_extended('recieve')"),
    ("engine.correct_simple.word", "correct_simple, one word",
     f"init_speller, word/sentence test, autocorrect_word; {BACKENDS}", "e.correct_simple('recieve')"),
    ("engine.correct_simple.sentence", "correct_simple, a 63-char sentence",
     f"init_speller, word/sentence test, autocorrect_sentence; {BACKENDS}", "e.correct_simple(sentence)"),
    ("engine.correct_extended", "correct_extended, 63 chars",
     f"init_lang_tool, check (3 matches), correct; {BACKENDS}", "e.correct_extended(sentence)"),
]


def engine_cases(bench, sides):
    names = {impl: engine_names(side) for impl, side in sides.items()}
    for case_id, title, includes, statement in LOOP:
        if bench.wanted(case_id):
            same_answer(statement, names)
            bench.timed_loop(case_id, title, includes, {impl: statement for impl in names}, names)
