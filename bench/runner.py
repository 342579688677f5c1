"""Runs and records the cases: the implementations take turns, samples
are taken on perf_counter_ns with the garbage collector off inside the
timed region, and each case is summarised as it finishes."""
import gc
import os
import sys
import tempfile
import time
import timeit

from figures import cell, separated, summary
from sides import IMPLS, PEERS

clock = time.perf_counter_ns


def in_turn(sample, impls=IMPLS):
    """The order of the implementations for a sample: each goes first in
    turn, the others following in their order (of two: the first on even
    samples, the second on odd ones)."""
    if len(impls) == 2:
        return impls if sample % 2 == 0 else impls[::-1]
    first = sample % len(impls)
    return impls[first:] + impls[:first]


class Bench:
    """`impls`: the implementations every case times; `ratio`: (one of them,
    the others it is measured against): a case's ratio is the one's median
    over the lowest median of the others (the faster peer)."""

    def __init__(self, quick, only, impls=IMPLS, ratio=("compiled", PEERS)):
        self.quick = quick
        self.only = only
        self.impls = tuple(impls)
        self.ratio = tuple(ratio)
        self.cases = []
        self.growth = {}
        self.started = time.monotonic()

    def wanted(self, case_id):
        return not self.only or any(text in case_id for text in self.only)

    def record(self, case_id, title, includes, unit, samples):
        stats = {impl: summary(samples[impl]) for impl in self.impls}
        over, peers = self.ratio
        under = min(peers, key=lambda impl: stats[impl]["median"])
        case = {"id": case_id, "title": title, "includes": includes, "unit": unit, **stats,
                "ratio": stats[over]["median"] / stats[under]["median"], "faster_peer": under,
                "spreads_apart": separated(stats[over], stats[under])}
        self.cases.append(case)
        figures = "   ".join(f"{impl} {cell(stats[impl]):>26}" for impl in self.impls)
        print(f"  {case_id:<34} {figures}   ratio {case['ratio']:.3f} ({under})   "
              f"({time.monotonic() - self.started:.0f} s)", file=sys.stderr)
        return case

    def paired(self, samplers, samples, warmup=2):
        """Alternates the implementations' samplers; each call of a sampler
        returns one figure in ns."""
        for _ in range(warmup):
            for impl in self.impls:
                samplers[impl]()
        result = {impl: [] for impl in self.impls}
        for i in range(samples):
            for impl in in_turn(i, self.impls):
                result[impl].append(samplers[impl]())
        return result

    def count(self, per_sample_ns, budget_s, low, high):
        if self.quick:
            budget_s, low, high = budget_s / 5, max(3, low // 3), max(5, high // 5)
        return max(low, min(high, int(budget_s * 1e9 / max(per_sample_ns, 1))))

    def timed_loop(self, case_id, title, includes, statements, names, budget_s=1.0):
        """Times `statements[impl]` with timeit's loop (GC off), in batches
        of about half a millisecond; one figure per call."""
        timers = {impl: timeit.Timer(statements[impl], globals=names[impl], timer=clock) for impl in self.impls}
        inner = 1
        while True:
            spent = max(timers[impl].timeit(inner) for impl in self.impls)
            if spent >= 500_000 or inner >= 1 << 20:
                break
            inner *= 2
        samples = self.count(2 * spent, budget_s, 11, 300)
        result = self.paired({impl: (lambda t=timers[impl]: t.timeit(inner) / inner) for impl in self.impls},
                             samples)
        case = self.record(case_id, title, includes, "per call", result)
        case["batch"] = inner
        return case


class QuietGtk:
    """Keeps GTK's console warnings out of the report while the dialogs are
    shown: a 100 KB text in the dialog's short text control makes GTK warn
    about its scrollbars on every refill.  The lines are counted and
    anything else that came is passed on."""

    def __enter__(self):
        sys.stderr.flush()
        self.file = tempfile.TemporaryFile()
        self.saved = os.dup(2)
        os.dup2(self.file.fileno(), 2)
        return self

    def __exit__(self, *exc):
        sys.stderr.flush()
        os.dup2(self.saved, 2)
        os.close(self.saved)
        self.file.seek(0)
        lines = self.file.read().decode(errors="replace").splitlines()
        self.file.close()
        gtk = [line for line in lines if "Gtk-CRITICAL" in line or "Gtk-WARNING" in line]
        for line in lines:
            if line.strip() and line not in gtk:
                print(line, file=sys.stderr)
        if gtk:
            print(f"  ({len(gtk)} GTK warnings while the dialogs were shown, e.g. {gtk[0].split('**:')[-1].strip()})",
                  file=sys.stderr)
        return False


def timed(call, *args):
    gc.disable()
    try:
        start = clock()
        call(*args)
        return clock() - start
    finally:
        gc.enable()
