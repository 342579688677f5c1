# Type information for the extension module `fettler` (the correction
# engine).  Installed beside the module in the add-on package, so the
# relative imports name the package's companion modules.
from collections.abc import Iterator
from typing import Protocol

from .autocorrect import Speller
from .config import Config
from .language_tool_python import LanguageTool
from .types import Languages

class _Match(Protocol):
    # What the engine and the dialog use of a grammar checker's match.
    offset: int
    errorLength: int
    context: str
    message: str
    replacements: list[str]

class Fettler:
    config: Config
    speller: Speller | None
    lang_tool: LanguageTool | None
    text: str
    matches: list[_Match]
    current_language: Languages | None
    _next_language: Iterator[Languages]
    def __init__(self, config: Config) -> None: ...
    def init_speller(self) -> None: ...
    def init_lang_tool(self) -> None: ...
    @property
    def is_lang_tool_supports(self) -> bool: ...
    @property
    def is_autocorrect_supports(self) -> bool: ...
    def close(self) -> None: ...
    def _languages(self) -> Iterator[Languages]: ...
    def next_language(self) -> Languages: ...
    def get_variants_simple(self, word: str) -> list[str]: ...
    def get_variants_extended(self, word: str) -> list[str]: ...
    def correct_simple(self, text: str) -> str: ...
    def correct_extended(self, text: str) -> str: ...
