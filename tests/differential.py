"""What the two differential tests share: the seed, Hypothesis' settings,
and how outcomes are recorded and compared.

The seed is fixed, so CI runs the same cases every time;
FETTLE_DIFFERENTIAL_SEED=<int> runs others (=random picks one and prints
it) and FETTLE_DIFFERENTIAL_CASES=<n> sets how many.
"""
import os
import random
import re

import pytest
from hypothesis import HealthCheck, seed, settings, strategies as st

_chosen = os.environ.get("FETTLE_DIFFERENTIAL_SEED", "20261207")
SEED = random.randrange(2 ** 32) if _chosen == "random" else int(_chosen)
print(f"differential seed: {SEED}")


def seeded(default_cases):
    """Decorator: the fixed (or chosen) seed and the number of cases."""
    cases = int(os.environ.get("FETTLE_DIFFERENTIAL_CASES", default_cases))
    configured = settings(max_examples=cases, deadline=None, database=None, print_blob=True,
                          suppress_health_check=[HealthCheck.too_slow, HealthCheck.function_scoped_fixture])
    return lambda test: seed(SEED)(configured(test))


def mostly(usual, rare, usual_share=8):
    """`usual` in usual_share of 10 draws, else `rare` (st.one_of would
    merge repeated strategies instead of weighting them)."""
    return st.integers(0, 9).flatmap(lambda n: usual if n < usual_share else rare)


def message(error):
    """An exception's text, without what tells the two packages apart."""
    text = str(error).replace("fettle_reference_addon", "fettle_addon")
    return re.sub(r" at 0x[0-9a-f]+", " at 0x…", text)


def outcome(action, describe):
    try:
        return ("returned", describe(action()))
    except Exception as error:  # noqa: BLE001 - every exception is compared
        return ("raised", type(error).__name__, message(error))


def assert_same(compiled, reference):
    """Fails at the first step where the two runs differ."""
    if compiled == reference:
        return
    for index, (ours, theirs) in enumerate(zip(compiled, reference)):
        if ours != theirs:
            break
    else:
        index, ours, theirs = len(compiled), compiled[len(reference):], reference[len(compiled):]
    pytest.fail(f"seed {SEED}: step {index} differs\n compiled:  {ours!r}\n reference: {theirs!r}")
