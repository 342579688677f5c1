"""Calls into the engine parked and resumed in any order on one OS thread:
greenlets switch C stacks, so a call may finish before one that entered
after it.  Each call must still find its own module's constants."""
import itertools
import os
import sys

import pytest

greenlet = pytest.importorskip("greenlet")

# greenlet saves a parked C stack by copying it, redzones of instrumented
# frames included, which AddressSanitizer reports as an underflow.
# Under the debug interpreter's reference counting (the refleak hunt) every
# run of it keeps 3 references more, with the plain-Python engine as with
# ours: greenlet's own, not the engine's.
pytestmark = [pytest.mark.skipif("libasan" in os.environ.get("LD_PRELOAD", ""),
                                 reason="greenlet's stack copy reads the sanitizer's redzones"),
              pytest.mark.skipif(hasattr(sys, "gettotalrefcount"), reason="greenlet keeps references of its own")]


@pytest.mark.parametrize("order", itertools.permutations(range(3)))
def test_next_language_resumed_in_any_order(fettler_module, second_fettler_module, Config, L, fakes, order):
    modules = (fettler_module, second_fettler_module)
    engines = [modules[i % 2].Fettler(Config([L.english, L.german, L.russian], L.german, False))
               for i in range(3)]
    for engine in engines:
        engine.init_lang_tool()
    # close() of the back-end, inside next_language(), parks the call.
    fakes.program("LanguageTool.close", call=lambda: greenlet.getcurrent().parent.switch())
    parked = [greenlet.greenlet(engine.next_language) for engine in engines]
    for call in parked:
        call.switch()
    assert [parked[i].switch() for i in order] == [L.russian] * 3
    assert [engine.current_language for engine in engines] == [L.russian] * 3
