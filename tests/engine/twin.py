"""The engine's call shape in plain Python, for comparing binding errors.

CPython's texts name the function by its qualified name, so the twin class
is called `Fettler` like the engine; it lives in a module of its own so
that it does not shadow the fixture of that name in the tests.
"""


class Fettler:
    """The engine's call shape in plain Python: every binding error text is
    compared against what CPython says for it."""

    def __init__(self, config):
        pass

    def close(self):
        pass

    def _languages(self):
        yield

    def next_language(self):
        pass

    def get_variants_simple(self, word):
        pass

    def correct_simple(self, text):
        pass
