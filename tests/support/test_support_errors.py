"""C++ exceptions at the interpreter boundary, through the test-only probe
module built beside the add-on (<build>/tests/support_probe*)."""
import importlib
import importlib.util
import os
import subprocess
import sys
from pathlib import Path

import pytest

REPO = Path(__file__).resolve().parents[2]
BUILD = Path(os.environ.get("FETTLE_ADDON_BUILD") or REPO / "build" / "addon").parent / "tests"
UNDER_ASAN = "libasan" in os.environ.get("LD_PRELOAD", "")


@pytest.fixture(scope="module")
def probe():
    found = sorted(BUILD.glob("support_probe.*"))
    if not found:
        pytest.skip(f"the support probe is not built in {BUILD}")
    sys.path.insert(0, str(BUILD))
    try:
        return importlib.import_module("support_probe")
    finally:
        sys.path.remove(str(BUILD))


RAISED = {
    "python": (ValueError, "raised in C++"),
    "bad_alloc": (MemoryError, ""),
    "runtime_error": (SystemError, "the probe failed"),
    "int": (SystemError, "unknown C++ exception"),
}


def raised(fn, *args):
    with pytest.raises(BaseException) as info:
        fn(*args)
    return info.value


@pytest.mark.parametrize("kind", sorted(RAISED))
def test_no_cpp_exception_reaches_the_interpreter(probe, kind):
    error = raised(probe.raise_through_guard, kind)
    assert (type(error), str(error)) == RAISED[kind]


@pytest.mark.parametrize("kind", sorted(RAISED))
@pytest.mark.parametrize("how", ["raise_in_try_finally", "raise_in_on_error"])
def test_cleanup_runs_for_every_exception(probe, kind, how):
    seen = []

    error = raised(getattr(probe, how), kind, lambda: seen.append("cleaned up"))
    assert (type(error), str(error)) == RAISED[kind]
    assert seen == ["cleaned up"]

    def failing_cleanup():
        raise KeyError("cleanup")
    error = raised(getattr(probe, how), kind, failing_cleanup)
    # as in Python: the clean-up's exception replaces the first, chained to it
    assert type(error) is KeyError and (type(error.__context__), str(error.__context__)) == RAISED[kind]


def test_a_failing_cleanup_after_success_runs_once(probe):
    calls = []

    def cleanup():
        calls.append(1)
        raise KeyError("cleanup")
    assert type(raised(probe.return_in_try_finally, cleanup)) is KeyError
    assert calls == [1]


@pytest.mark.skipif(UNDER_ASAN, reason="the sanitizer's allocator aborts on an impossible allocation")
def test_a_failed_allocation_is_memory_error(probe):
    assert type(raised(probe.fail_an_allocation)) is MemoryError


def test_throwing_with_no_python_error_is_caught_in_debug_builds(probe):
    code = ("import sys\n"
            f"sys.path.insert(0, {str(Path(probe.__file__).parent)!r})\n"
            "import support_probe as m\n"
            "try:\n    m.throw_with_no_error()\nexcept SystemError as e:\n    print(e)\n")
    run = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, timeout=60)
    if probe.ASSERTIONS:
        assert run.returncode != 0 and "PythonError thrown with no Python exception set" in run.stderr
    else:
        assert run.returncode == 0 and "returned NULL without setting an exception" in run.stdout


def test_module_objects_of_one_interpreter_share_its_watchers(probe, fettler_module):
    """The library takes one dict and one type watcher per interpreter, not
    one per module object: the interpreter has 8 of each, some its own."""
    if probe.free_watchers() is None:
        pytest.skip("no watchers taken in this build")
    module_spec = fettler_module.__spec__
    before = probe.free_watchers()
    for _ in range(9):
        module_spec.loader.exec_module(importlib.util.module_from_spec(module_spec))
    assert probe.free_watchers() == before
