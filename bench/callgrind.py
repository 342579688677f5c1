"""What the instruction counters (instructions.py, dialog_instructions.py)
share: the three packages side by side, one probe counted under callgrind,
and the table of per-call figures."""
import contextlib
import os
import re
import subprocess
import sys
import tempfile
from pathlib import Path

from sides import IMPL_OF, IMPLS, PACKAGES, addon_package


@contextlib.contextmanager
def assembled_sides(build, cython, program):
    """The compiled, Cython and plain packages in a temporary folder, which
    is yielded; a missing module ends the program, naming it."""
    build = build.resolve()
    folders = {"compiled": build, "cython": (cython or build.parent / "cython").resolve(), "plain": None}
    with tempfile.TemporaryDirectory(prefix="fettle-instructions-") as tmp:
        root = Path(tmp)
        for impl in IMPLS:
            try:
                addon_package.assemble(root, PACKAGES[impl], IMPL_OF[impl], folders[impl])
            except addon_package.MissingModule as error:
                sys.exit(f"{program}: {error}")
        yield root


def instructions(valgrind, script, probe_args, out):
    """The instructions `script --probe probe_args...` executes in a fresh
    interpreter: the same hash seed and no bytecode written, so two runs do
    the same work up to what they are asked to repeat."""
    env = dict(os.environ, PYTHONHASHSEED="0", PYTHONDONTWRITEBYTECODE="1", FETTLE_STANDINS="instant")
    subprocess.run([*valgrind, "--tool=callgrind", f"--callgrind-out-file={out}", sys.executable, script,
                    "--probe", *map(str, probe_args)],
                   env=env, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    found = re.search(r"^(?:summary|totals): (\d+)", Path(out).read_text(), re.M)
    return int(found.group(1))


def print_table(cases, per_call, case_width, figure_width):
    """One row a case: each side's instructions per call and compiled over the
    faster peer."""
    print(f"{'case':<{case_width}} {'plain':>{figure_width}} {'cython':>{figure_width}} "
          f"{'compiled':>{figure_width}} {'compiled/faster peer':>21}")
    for case_id in cases:
        figures = {impl: per_call(PACKAGES[impl], case_id) for impl in IMPLS}
        peer = min(figures["plain"], figures["cython"])
        print(f"{case_id:<{case_width}} {figures['plain']:>{figure_width}.0f} {figures['cython']:>{figure_width}.0f} "
              f"{figures['compiled']:>{figure_width}.0f} {figures['compiled'] / peer:>21.3f}", flush=True)
