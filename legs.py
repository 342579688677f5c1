#!/usr/bin/python3
"""Every leg of `make test`, declared in one table, and the runner that
runs them.

    legs.py [PATTERN...]     the legs whose names match (shell patterns;
                             all of them when none is given), then a table
    legs.py --list           the legs, what each runs on and provisions

A leg is one named check: what it runs on, what it provisions first (a
chroot made or reused, an interpreter that must be there, a leg it needs
to have passed), and the commands it runs, in the clone, one after another
until one fails.  Every selected leg runs, whatever the others did; a
selected leg also brings in the legs it needs.  The run ends with one table
(leg, what it ran on, passed / FAILED / not run and why, its time), and
fails when any leg failed.  A leg is "not run" only when a provision says
so (pyenv's 3.12 is no Debian package, so a machine without it cannot run
its legs); a provision that fails (a chroot that cannot be made) fails it.

Why a table of our own rather than nox (Debian's python3-nox), whose
sessions are declared this way too: nox's closing summary gives each
session's name and outcome only, where this one must say what each leg ran
on (native or emulated 32 bits, which pyenv interpreter) and how long it
and its provisioning took, on CI's clock; Debian 12's nox has no session
that waits for another to pass (the Stable-ABI legs need the Stable-ABI
build), and every session would have to turn off its virtualenv, since
nothing here comes from PyPI.  What it would bring beyond that, a session
per Python found on PATH, is what the legs must not do: each says which
interpreter it needs, and says so when it is missing.  A dataclass per leg
and a loop cost fewer lines than adapting it, and need no package.

To add a leg, add one entry to LEGS: a name, `on`, `provisions` and
`runs`.  Provisions are kept small and reusable: Chroot(suite),
Pyenv(version), Passed(leg), or Provision for anything else that a command
makes or finds (it prints what it made; its failure fails the leg, or, with
not_run_when_missing, leaves the leg not run).
"""
from __future__ import annotations

import dataclasses
import fnmatch
import signal
import subprocess
import sys
import time
from pathlib import Path

CLONE = Path(__file__).resolve().parent


@dataclasses.dataclass(frozen=True)
class Provision:
    """Something a leg needs before it runs, made or found by `command`,
    whose last line of output, if any, is shown beside what the leg ran on.
    A failing command fails the leg, unless not_run_when_missing: then the
    leg is not run, with the command's last line of error as the reason."""
    what: str
    command: str
    not_run_when_missing: bool = False

    def provide(self, results):
        # Its messages go to the log as they come, for a provision that
        # takes minutes (a chroot being made); the last one is the reason
        # when it fails.  What it prints on stdout is a line or two.
        process = subprocess.Popen(["/bin/sh", "-c", self.command], cwd=CLONE, stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE, text=True)
        last_error = ""
        for line in process.stderr:
            sys.stderr.write(line)
            last_error = line.strip() or last_error
        output = process.stdout.read().strip()
        process.wait()
        if process.returncode == 0:
            return "ok", self.shown((output.splitlines() or [""])[-1])
        reason = last_error or f"{self.what}: exit {process.returncode}"
        return ("not run" if self.not_run_when_missing else "failed"), reason

    def shown(self, output):
        return output


class Chroot(Provision):
    """A Debian chroot of scripts/chroot, made on first use and reused."""

    def __init__(self, suite):
        super().__init__(f"chroot {suite}",
                         f"root=$(scripts/chroot {suite}) && scripts/enter-root --how \"$root\"")

    def shown(self, output):
        return "" if output == "native" else f"under {output}"


class Pyenv(Provision):
    """pyenv's newest VERSION.N: not a Debian package, so a machine may
    lack it, and its legs are then not run (never silently)."""

    def __init__(self, version):
        super().__init__(f"pyenv {version}",
                         f". scripts/pyenv-python.sh && python=$(pyenv_python {version}) && "
                         f"\"$python\" -c 'import platform; print(platform.python_version())'",
                         not_run_when_missing=True)


class FreeThreaded(Provision):
    """A free-threaded CPython of scripts/free-threaded-python, built from
    source on first use (minutes) and reused."""

    def __init__(self, variant):
        super().__init__(f"python3.14t {variant}", f"scripts/free-threaded-python {variant} >/dev/null")


@dataclasses.dataclass(frozen=True)
class Passed:
    """Another leg whose result this one uses; it is run first."""
    leg: str

    def provide(self, results):
        outcome = results.get(self.leg)
        if outcome is None or outcome.state != "passed":
            state = outcome.state if outcome else "not selected"
            return "not run", f"needs leg {self.leg}, which {'was ' if state != 'failed' else ''}{state}"
        return "ok", ""


@dataclasses.dataclass(frozen=True)
class Leg:
    name: str
    on: str
    runs: tuple[str, ...]
    provisions: tuple = ()


def chroot_leg(suite, version, description):
    return Leg(f"{suite}-{version}", description, (f"scripts/test-chroot {suite} {version}",), (Chroot(suite),))


def abi3_chroot_leg(suite, version):
    return Leg(f"abi3-{suite}-{version}", f"{suite} chroot, python{version}, the Stable-ABI build",
               (f"scripts/test-chroot {suite} {version} --abi3 build-abi3",), (Passed("abi3-build"), Chroot(suite)))


MAKE = "make --no-print-directory"

# The legs, in the order they run (a leg's Passed() legs come before it).
LEGS = [
    # The whole suite on Debian 12's 3.11 (dialog with the real wxPython
    # under Xvfb), then its modules checked for private interpreter functions.
    Leg("suite", "Debian 12, python3.11, g++ 12",
        (f"{MAKE} test-fast", "scripts/public-api-only build/addon/fettler.*.so build/addon/gui/main.*.so")),
    Leg("asan", "Debian 12, python3.11, ASan + UBSan build", (f"{MAKE} test-asan",)),
    Leg("demo", "Debian 12, python3.11, demo host under Xvfb", (f"{MAKE} demo-headless",)),
    Leg("newer-3.12", "pyenv python3.12, g++ 12", ("scripts/test-newer-python 3.12 build-py3.12",),
        (Pyenv("3.12"),)),
    chroot_leg("trixie", "3.13", "trixie chroot, python3.13, g++ 14"),
    chroot_leg("sid", "3.14", "sid chroot, python3.14, g++ 16"),
    chroot_leg("sid", "3.15", "sid chroot, python3.15, g++ 16"),
    # The 32-bit host: Debian 12's own 3.11 and wxPython for i386, built
    # with -Wconversion; natively, or emulated where the kernel runs no
    # 32-bit code (FETTLE_QEMU=1 forces that).
    chroot_leg("bookworm-i386", "3.11", "Debian 12 i386 chroot, python3.11 (32-bit), g++ 12"),
    # Debian 12's compiler, trixie's 3.13 headers (scripts/test-stable-abi
    # says why not trixie's compiler).
    Leg("abi3-build", "Debian 12, g++ 12, trixie's python3.13 headers at the 3.12 Limited API",
        ("scripts/test-stable-abi build build-abi3",), (Chroot("trixie"),)),
    Leg("abi3-3.12", "pyenv python3.12, the Stable-ABI build",
        ("scripts/test-stable-abi pyenv build-abi3 3.12 build-py3.12",), (Passed("abi3-build"), Pyenv("3.12"))),
    abi3_chroot_leg("trixie", "3.13"),
    abi3_chroot_leg("sid", "3.14"),
    abi3_chroot_leg("sid", "3.15"),
    # Several interpreters in one process, each with its own GIL: both
    # modules in isolated subinterpreters on sid's 3.14 and 3.15, and on
    # 3.14 again with the ASan build.
    Leg("subinterpreters", "sid chroot, python3.14 and 3.15 subinterpreters; 3.14 with ASan + UBSan",
        ("scripts/test-subinterpreters",), (Chroot("sid"),)),
    # Without the GIL: CPython 3.14.7 built free-threaded from its source
    # (in the sid chroot, cached there), then the same with ThreadSanitizer.
    Leg("free-threaded", "sid chroot, python3.14t (free-threaded, built from source), g++ 16",
        ("scripts/test-free-threaded ft",), (Chroot("sid"), FreeThreaded("ft"))),
    Leg("tsan", "sid chroot, python3.14t and the modules with ThreadSanitizer",
        ("scripts/test-free-threaded ft-tsan",), (Chroot("sid"), FreeThreaded("ft-tsan"))),
    Leg("refleak", "Debian 12, python3.11-dbg", ("scripts/test-refleak build-dbg",)),
    Leg("windows", "mingw-w64, CPython's Windows headers: win32, win_amd64", ("scripts/check-windows build-windows",)),
]


@dataclasses.dataclass
class Outcome:
    state: str  # passed, failed, not run
    reason: str = ""
    ran_on: str = ""
    provision_seconds: float = 0.0
    seconds: float = 0.0


def selected(patterns):
    by_name = {leg.name: leg for leg in LEGS}
    if not patterns:
        return list(LEGS)
    wanted = set()
    for pattern in patterns:
        matches = [leg.name for leg in LEGS if fnmatch.fnmatchcase(leg.name, pattern)]
        if not matches:
            sys.exit(f"legs: no leg matches {pattern!r} (legs.py --list)")
        wanted.update(matches)
    # A leg's Passed() legs are run too, and their own in turn.
    pending = list(wanted)
    while pending:
        for provision in by_name[pending.pop()].provisions:
            if isinstance(provision, Passed) and provision.leg not in wanted:
                wanted.add(provision.leg)
                pending.append(provision.leg)
    return [leg for leg in LEGS if leg.name in wanted]


def run_leg(leg, results):
    outcome = Outcome("passed", ran_on=leg.on)
    started = time.monotonic()
    notes = []
    for provision in leg.provisions:
        state, detail = provision.provide(results)
        if state != "ok":
            outcome.state, outcome.reason = state, detail
            break
        if detail:
            notes.append(detail)
    outcome.provision_seconds = time.monotonic() - started
    if notes:
        outcome.ran_on += f" ({', '.join(notes)})"
    if outcome.state == "passed":
        for command in leg.runs:
            print(f"--- {leg.name}: {command}", flush=True)
            status = subprocess.run(["/bin/sh", "-c", command], cwd=CLONE).returncode
            if status != 0:
                outcome.state = "failed"
                outcome.reason = f"exit {status}: {command}"
                break
    outcome.seconds = time.monotonic() - started
    return outcome


def duration(seconds):
    seconds = round(seconds)
    return f"{seconds // 60}:{seconds % 60:02d}"


def table(legs, results, total):
    rows = [("leg", "ran on", "result", "time", "of which provisioning")]
    for leg in legs:
        outcome = results[leg.name]
        result = {"passed": "passed", "failed": "FAILED"}.get(outcome.state, "not run")
        if outcome.reason:
            result += f": {outcome.reason}"
        ran = outcome.state != "not run" or outcome.seconds >= 1
        rows.append((leg.name, outcome.ran_on, result, duration(outcome.seconds) if ran else "",
                     duration(outcome.provision_seconds) if outcome.provision_seconds >= 1 else ""))
    widths = [max(len(row[column]) for row in rows) for column in range(4)]
    lines = ["  ".join(cell.ljust(width) for cell, width in zip(row, widths)) + "  " + row[4] for row in rows]
    lines.insert(1, "-" * max(len(line) for line in lines))
    counts = {state: sum(results[leg.name].state == state for leg in legs) for state in ("passed", "failed", "not run")}
    return "\n".join([*(line.rstrip() for line in lines),
                      f"total {duration(total)}",
                      f"legs: {counts['passed']} passed, {counts['failed']} failed, {counts['not run']} skipped"])


def main(argv):
    if argv[:1] == ["--list"]:
        for leg in LEGS:
            provisions = ", ".join(getattr(p, "what", None) or f"leg {p.leg} passed" for p in leg.provisions)
            print(f"{leg.name:18} {leg.on}" + (f"; needs {provisions}" if provisions else ""))
            for command in leg.runs:
                print(f"{'':18}   {command}")
        return 0
    legs = selected(argv)
    results = {}
    started = time.monotonic()
    # An interrupted run still prints what it had, the rest not run.
    interrupted = False
    for leg in legs:
        if interrupted:
            results[leg.name] = Outcome("not run", "interrupted", leg.on)
            continue
        print(f"=== leg {leg.name}: {leg.on}", flush=True)
        try:
            results[leg.name] = run_leg(leg, results)
        except KeyboardInterrupt:
            interrupted = True
            results[leg.name] = Outcome("failed", "interrupted", leg.on)
        outcome = results[leg.name]
        print(f"=== leg {leg.name}: {outcome.state}{': ' + outcome.reason if outcome.reason else ''}"
              f" ({duration(outcome.seconds)})", flush=True)
    print("\n" + table(legs, results, time.monotonic() - started), flush=True)
    if interrupted:
        return 128 + signal.SIGINT
    return 1 if any(outcome.state == "failed" for outcome in results.values()) else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
