"""Reference-leak hunting for the suite, as CPython's own regrtest -R does it.

Loaded with `-p refleak` (this folder on PYTHONPATH) under a debug
interpreter (one with sys.gettotalrefcount).  Each test runs WARMUPS +
MEASURED times in a row (`--refleak-runs=WARMUPS:MEASURED`, 3:3 by default);
after each run the interpreter's reference total and its allocated blocks
are read, once caches are cleared and garbage collected, and a test fails
when either grows in every measured run: CPython's rule, which lets a cache
fill up once or an allocator keep a block, but not an object lost per call.

The reading is taken as the test's teardown begins, so the deltas of one
run span the previous run's teardown, this run's setup and call: the same
span for every run, and the module's or session's fixtures that the last
run tears down (freeing much) never hide a leak in the test before them.
Between runs only the test's own (function-scoped) fixtures are torn down.

The Hypothesis tests are derandomized (the same examples every run), or
each run would try new inputs and fill the interpreter's caches anew.
"""
import gc
import sys
import types

import pytest
from _pytest.runner import runtestprotocol


def _clear_caches():
    """The interpreter-wide caches regrtest clears between runs, of the
    modules the suite uses: they fill with what a run happened to use."""
    for module in list(sys.modules.values()):
        # Through the namespace: a stand-in may answer any attribute it lacks.
        if isinstance(module, types.ModuleType):
            vars(module).pop("__warningregistry__", None)
    for name, clear in (("re", "purge"), ("linecache", "clearcache"), ("struct", "_clearcache")):
        if name in sys.modules:
            getattr(sys.modules[name], clear)()
    if "typing" in sys.modules:
        for cleanup in sys.modules["typing"]._cleanups:
            cleanup()
    sys._clear_type_cache()

# 3.11 counts the blocks of its specialised bytecode apart (they come and go
# with the code's warming, not with leaks): regrtest takes them off too.
_quickened = getattr(sys, "_getquickenedcount", lambda: 0)


def pytest_addoption(parser):
    parser.addoption("--refleak-runs", default="3:3", metavar="WARMUPS:MEASURED",
                     help="runs of each test before the measured ones, and measured runs")


def pytest_configure(config):
    if not hasattr(sys, "gettotalrefcount"):
        raise pytest.UsageError("refleak: needs a debug interpreter (sys.gettotalrefcount), "
                                f"{sys.executable} is not one")
    try:
        warmups, measured = (int(n) for n in config.getoption("--refleak-runs").split(":"))
    except ValueError:
        raise pytest.UsageError("refleak: --refleak-runs takes WARMUPS:MEASURED, e.g. 3:3") from None
    if warmups < 1 or measured < 1:
        raise pytest.UsageError("refleak: at least one warm-up and one measured run")
    from hypothesis import settings
    settings.register_profile("refleak", derandomize=True, database=None, deadline=None)
    settings.load_profile("refleak")
    # Hypothesis looks for what refers to its own random generator with
    # gc.get_referrers, which does not see frozen objects (below): the
    # generator is held by hypothesis.core all the same.
    config.addinivalue_line("filterwarnings",
                            "ignore:It looks like `register_random`:hypothesis.errors.HypothesisWarning")
    config.pluginmanager.register(Hunt(warmups, measured), "refleak-hunt")


class _Finalizers:
    """pytest's bookkeeping above the test: each setup of the test, cached
    fixtures included, registers teardowns with the module's and session's
    fixtures and nodes it uses, where they stay until those end (duplicates
    of the first run's: running them again does nothing).  They grow with
    every run of the test, so after each run they are cut back to what the
    first run left, as regrtest restores the interpreter's registries."""

    def __init__(self, item):
        lists = [finalizers for node, (finalizers, _) in item.session._setupstate.stack.items()
                 if node is not item]
        # Every fixture of the session: a test may also ask for one by name.
        lists += [fixturedef._finalizers for fixturedefs in item.session._fixturemanager._arg2fixturedefs.values()
                  for fixturedef in fixturedefs if fixturedef.scope != "function"]
        self._kept = [(finalizers, len(finalizers)) for finalizers in lists]

    def restore(self):
        for finalizers, length in self._kept:
            del finalizers[length:]


class _Sibling:
    """Stands for the next item when it is the same test again: teardown
    then keeps everything above the test itself."""

    def __init__(self, item):
        self._chain = item.listchain()[:-1]

    def listchain(self):
        return self._chain


class Hunt:
    def __init__(self, warmups, measured):
        self.warmups = warmups
        self.runs = warmups + measured
        # Allocated once: the bookkeeping must not itself grow from one
        # reading to the next (regrtest keeps one int pool for the deltas).
        self.pool = {value: value for value in range(-1000, 1000)}
        self.ref_deltas = [0] * self.runs
        self.block_deltas = [0] * self.runs
        self.refs = self.blocks = 0
        self.run = None

    def _pooled(self, value):
        return self.pool.setdefault(value, value)

    def _read(self):
        _clear_caches()
        gc.collect()
        blocks = sys.getallocatedblocks() - _quickened()
        refs = sys.gettotalrefcount()
        self.ref_deltas[self.run] = self._pooled(refs - self.refs)
        self.block_deltas[self.run] = self._pooled(blocks - self.blocks)
        self.refs, self.blocks = refs, blocks

    @pytest.hookimpl(hookwrapper=True, tryfirst=True)
    def pytest_runtest_teardown(self, item):
        if self.run is not None:
            self._read()
        yield

    @pytest.hookimpl(tryfirst=True)
    def pytest_runtest_protocol(self, item, nextitem):
        item.ihook.pytest_runtest_logstart(nodeid=item.nodeid, location=item.location)
        sibling = _Sibling(item)
        # What the earlier tests left alive stays out of this test's
        # collections (gc.freeze): the debug interpreter's collector is slow
        # over the whole heap, and the tests collect often.  Only what this
        # test's runs make is collected then, garbage cycles of its fixtures
        # included; reference totals are not affected.
        gc.collect()
        gc.freeze()
        for run in range(self.runs):
            last = run == self.runs - 1
            self.run = run
            try:
                reports = runtestprotocol(item, nextitem=nextitem if last else sibling, log=False)
            finally:
                self.run = None
            if not all(report.passed for report in reports):
                if not last:  # a failure or skip: no more runs, nothing measured
                    item.session._setupstate.teardown_exact(nextitem)
                break
            # Captured output is kept per run; only the last run's is reported.
            item._report_sections.clear()
            if run == 0:
                finalizers = _Finalizers(item)
            else:
                finalizers.restore()
        else:
            self._judge(item, reports)
        for report in reports:
            item.ihook.pytest_runtest_logreport(report=report)
        item.ihook.pytest_runtest_logfinish(nodeid=item.nodeid, location=item.location)
        return True

    def _judge(self, item, reports):
        leaks = [f"leaked {deltas} {what}, sum={sum(deltas)}"
                 for what, deltas in (("references", self.ref_deltas[self.warmups:]),
                                      ("memory blocks", self.block_deltas[self.warmups:]))
                 if all(delta >= 1 for delta in deltas)]
        if leaks:
            [call] = [report for report in reports if report.when == "call"]
            call.outcome = "failed"
            call.longrepr = f"{item.nodeid} " + "; ".join(leaks)
