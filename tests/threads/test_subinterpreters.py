"""Both modules in isolated subinterpreters (concurrent.interpreters, 3.14
on): each interpreter has its own GIL and must get module objects, names
and caches of its own.  They are used in several interpreters one after
another, in several side by side from threads, and in interpreters made
after others were closed; each must answer as the main interpreter does
(tests/threads/interpreter_round.py says what is asked).  The dialog runs
on the stand-in wx there: wxPython cannot be imported in an isolated
subinterpreter."""
import ast
import importlib
import subprocess
import sys
import threading

import pytest

import addon_package

interpreters = pytest.importorskip("concurrent.interpreters")

SIDE_BY_SIDE = 4
ROUND = addon_package.REPO / "tests" / "threads"


@pytest.fixture(scope="module")
def paths(addon_dir, gui_main_module):
    return str(addon_dir), str(addon_package.HOST), str(addon_package.STANDINS / "fake_wx")


@pytest.fixture(scope="module")
def answers():
    """interpreter_round.answers, imported by a name every interpreter
    finds (a call into another interpreter names the function by its
    module)."""
    sys.path.insert(0, str(ROUND))
    yield importlib.import_module("interpreter_round").answers
    sys.path.remove(str(ROUND))


@pytest.fixture(scope="module")
def expected(answers, paths):
    """The main interpreter's answers; it has imported both modules before
    (with the real wx where there is one)."""
    path = list(sys.path)
    yield answers(*paths)
    sys.path[:] = path


def in_new_interpreter(answers, paths):
    """The answers of a new interpreter, which is closed afterwards."""
    interpreter = interpreters.create()
    try:
        interpreter.exec(f"import sys; sys.path.insert(0, {str(ROUND)!r})")
        return interpreter.call(answers, *paths)
    finally:
        interpreter.close()


def test_one_after_another(answers, paths, expected):
    for _ in range(3):
        assert in_new_interpreter(answers, paths) == expected


def test_side_by_side_then_again(answers, paths, expected):
    results = [None] * SIDE_BY_SIDE
    start = threading.Barrier(SIDE_BY_SIDE)

    def run(index):
        start.wait()
        try:
            results[index] = in_new_interpreter(answers, paths)
        except Exception as error:  # noqa: BLE001 - reported below, per thread
            results[index] = error

    threads = [threading.Thread(target=run, args=(index,)) for index in range(SIDE_BY_SIDE)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert results == [expected] * SIDE_BY_SIDE
    # made again once those are gone
    assert in_new_interpreter(answers, paths) == expected


FIRST_IN_A_SUBINTERPRETER = """
import sys
from concurrent import interpreters

sys.path.insert(0, sys.argv[1])
import interpreter_round

seen = []
for _ in range(2):
    interpreter = interpreters.create()
    interpreter.exec(f"import sys; sys.path.insert(0, {sys.argv[1]!r})")
    seen.append(interpreter.call(interpreter_round.answers, *sys.argv[2:]))
    interpreter.close()
seen.append(interpreter_round.answers(*sys.argv[2:]))
print(repr(seen))
"""


def test_first_used_in_a_subinterpreter(paths, expected):
    """A process where a subinterpreter loads the modules first and is
    closed before the next one and the main interpreter use them: whatever
    the first user's module object made must have gone with it."""
    run = subprocess.run([sys.executable, "-c", FIRST_IN_A_SUBINTERPRETER, str(ROUND), *paths],
                         capture_output=True, text=True, timeout=300)
    assert run.returncode == 0, run.stderr
    assert ast.literal_eval(run.stdout) == [expected] * 3
