# Plain-Python rendering of the correction engine module `fettler`, with the
# same imports, class, members and behaviour as the compiled module.  It is
# the second implementation the test suite runs against
# (FETTLE_IMPL=reference) and the benchmark times the compiled module
# against; it is never shipped.
#
# Annotations are written as string literals on purpose: the compiled
# module stores them as strings and never evaluates them, and a
# `from __future__ import annotations` would bind an extra module global.
# For the same reason the exact-str argument checks are spelled out inline
# instead of going through a shared helper.
from itertools import cycle
from .autocorrect import Speller
from .autocorrect import types as ac_types
from .config import Config
from .language_tool_python import LanguageTool
from .language_tool_python import types as lt_types
from .language_tool_python.utils import correct as lt_correct
from .types import Languages


class Fettler:
    __module__ = "fettler"

    def __init__(self, config: "Config"):
        self.config = config
        self.speller = None
        self.lang_tool = None
        self.text = ""
        self.matches = []
        self.current_language = None
        self._next_language = self._languages()
        # The search of the rotation for the default.  A default equal to
        # none of the configured languages would keep it going forever on
        # the endless rotation, so it gives up on the first repeat it had
        # compared already, once it has made as many comparisons as there
        # are configured languages (someone else may advance the same
        # rotation meanwhile: a language's __eq__ may call next_language()).
        # Only the rotation can tell where its items repeat, and only when
        # it runs the built-in cycle itself: it keeps that in its local
        # `drawn`, [place of the item yielded last, number of configured
        # items once they repeat, else -1].
        rotation = self._next_language
        drawn = None
        places = set()
        comparisons = 0
        for lang in rotation:
            if drawn is None:
                drawn = (getattr(rotation, "gi_code", None) is Fettler._languages.__code__
                         and rotation.gi_frame.f_locals.get("drawn")) or ()
            place, configured = drawn or (None, -1)
            lang_default = self.config.lang_default
            if 0 <= configured <= comparisons and place in places:
                raise ValueError(f"lang_default {lang_default!r} is not one of the required_languages")
            if lang == lang_default:
                self.current_language = lang
                break
            if drawn:
                places.add(place)
                comparisons += 1

    def init_speller(self):
        if self.speller:
            return
        self.speller = Speller(lang=getattr(ac_types.Languages, self.current_language.name).value)

    def init_lang_tool(self):
        if self.lang_tool:
            return
        self.lang_tool = LanguageTool(getattr(lt_types.Languages, self.current_language.name).value)

    @property
    def is_lang_tool_supports(self) -> "bool":
        languages = lt_types.Languages
        name = self.current_language.name
        # Any failure of the lookup means "not supported", not only
        # AttributeError; a name that is no str at all is a caller error.
        if not isinstance(name, str):
            raise TypeError("hasattr(): attribute name must be string")
        try:
            getattr(languages, name)
        except BaseException:
            return False
        return True

    @property
    def is_autocorrect_supports(self) -> "bool":
        languages = ac_types.Languages
        name = self.current_language.name
        if not isinstance(name, str):
            raise TypeError("hasattr(): attribute name must be string")
        try:
            getattr(languages, name)
        except BaseException:
            return False
        return True

    def close(self):
        if self.speller:
            self.speller = None
        if self.lang_tool:
            self.lang_tool.close()
            self.lang_tool = None

    def _languages(self) -> "Languages":
        import itertools  # the built-in cycle, recognised without a module global of its own
        if cycle is not itertools.cycle:
            for lang in cycle(self.config.required_languages):
                yield lang
            return
        # The built-in cycle's own steps, so that the constructor's search
        # can tell where the configured items repeat (see __init__).
        drawn = [-1, -1]
        saved = []
        for lang in self.config.required_languages:
            saved.append(lang)
            drawn[0] += 1
            yield lang
        drawn[1] = len(saved)
        while saved:
            for place, lang in enumerate(saved):
                drawn[0] = place
                yield lang

    def next_language(self) -> "Languages":
        self.close()
        lang = next(self._next_language)
        self.current_language = lang
        return lang

    def get_variants_simple(self, word: "str"):
        if type(word) is not str:
            raise TypeError("Argument '%.200s' has incorrect type (expected %.200s, got %.200s)"
                            % ("word", "str", type(word).__name__))
        self.init_speller()
        self.text = word
        candidates = self.speller.get_candidates(word)
        return [candidate[1] for candidate in sorted(candidates, key=lambda candidate: candidate[0])]

    def get_variants_extended(self, word: "str"):
        if type(word) is not str:
            raise TypeError("Argument '%.200s' has incorrect type (expected %.200s, got %.200s)"
                            % ("word", "str", type(word).__name__))
        self.init_lang_tool()
        self.text = word
        self.matches = self.lang_tool.check(word)
        return self.matches[0].replacements

    def correct_simple(self, text: "str"):
        if type(text) is not str:
            raise TypeError("Argument '%.200s' has incorrect type (expected %.200s, got %.200s)"
                            % ("text", "str", type(text).__name__))
        self.init_speller()
        self.text = text
        if len(text.split(" ")) >= 2:
            return self.speller.autocorrect_sentence(text)
        return self.speller.autocorrect_word(text)

    def correct_extended(self, text: "str"):
        if type(text) is not str:
            raise TypeError("Argument '%.200s' has incorrect type (expected %.200s, got %.200s)"
                            % ("text", "str", type(text).__name__))
        self.init_lang_tool()
        self.text = text
        self.matches = self.lang_tool.check(text)
        return lt_correct(text, self.matches)
