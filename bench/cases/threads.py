"""Threads that each use an engine of their own: how the calls per second
grow from one thread to two.  Without the GIL two threads on two cores can
do twice the calls of one, unless every call writes something all threads
share (a counter, a lock, the reference count of a module-wide object);
with the GIL they take turns, and two do what one does.

Each thread makes its own engines (as a host's worker would) and runs the
per-call rows of engine.py in a loop for a fixed time; a sample is the
wall time per call of all threads together.  The implementations take
turns sample by sample, like every other case."""
import sys
import threading
import time

from .engine import LOOP, engine_names

CALLS = [statement for case_id, _, _, statement in LOOP]
# One pass of the loop runs every per-call statement once.
BODY = "def run(stop):\n    passes = 0\n    while not stop():\n        " + "\n        ".join(CALLS) + \
    "\n        passes += 1\n    return passes\n"


def thread_runner(names):
    """A run(stop) of the calls, on names of the thread's own."""
    scope = dict(names)
    exec(compile(BODY, "<threads case>", "exec"), scope)
    return scope["run"]


def calls_per_second(side_names, threads, seconds):
    """The calls per second of `threads` threads, each with engines of its
    own made in the thread, started together and stopped at one moment."""
    ready = threading.Barrier(threads + 1)
    done = threading.Event()
    passes = [0] * threads

    def worker(index):
        names = dict(side_names)
        engine = names["Fettler"](names["config"])
        engine.init_speller()
        engine.init_lang_tool()
        names.update(e=engine, r=names["Fettler"](names["config"]))
        run = thread_runner(names)
        run(lambda: True)  # the thread's first pass: its look-ups made
        ready.wait()
        passes[index] = run(done.is_set)

    workers = [threading.Thread(target=worker, args=(i,)) for i in range(threads)]
    for thread in workers:
        thread.start()
    ready.wait()
    start = time.perf_counter_ns()
    time.sleep(seconds)
    done.set()
    for thread in workers:
        thread.join()
    elapsed = time.perf_counter_ns() - start
    return sum(passes) * len(CALLS) * 1e9 / elapsed


def thread_cases(bench, sides):
    if not any(bench.wanted(f"threads.{n}") for n in (1, 2)):
        return
    names = {impl: engine_names(side) for impl, side in sides.items()}
    seconds = 0.05 if bench.quick else 0.2
    samples = 5 if bench.quick else 15
    rates = {n: {impl: [] for impl in bench.impls} for n in (1, 2)}
    for i in range(samples):
        for impl in bench.impls if i % 2 == 0 else bench.impls[::-1]:
            for n in (1, 2):
                rates[n][impl].append(calls_per_second(names[impl], n, seconds))
    scaling = {impl: [two / one for one, two in zip(rates[1][impl], rates[2][impl])] for impl in bench.impls}
    for n in (1, 2):
        case = bench.record(f"threads.{n}", f"{n} thread{'s' if n > 1 else ''}, engines of their own",
                            f"every per-call engine row in a loop for {seconds} s in each of {n} thread(s), "
                            "each with engines it made; wall time per call of all threads together",
                            "per call", {impl: [1e9 / rate for rate in rates[n][impl]] for impl in bench.impls})
        if n == 2:
            # Calls per second at 2 threads over 1, sample by sample: 2.0
            # is perfect scaling, 1.0 none.
            case["scaling"] = {impl: sorted(values)[len(values) // 2] for impl, values in scaling.items()}
            print("  threads: calls per second at 2 threads over 1: "
                  + ", ".join(f"{impl} {value:.2f}" for impl, value in case["scaling"].items()),
                  file=sys.stderr)
