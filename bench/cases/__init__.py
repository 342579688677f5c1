"""The benchmark's families of cases; each function times its cases on
the two sides and records them in the runner."""
from .engine import engine_cases
from .errors import errors_cases
from .fix_all import fix_all_cases
from .imports import import_cases, import_probe
from .output import output_cases
from .stand_in import stand_in_errors_cases, stand_in_output_cases
from .threads import thread_cases

__all__ = ["engine_cases", "errors_cases", "fix_all_cases", "import_cases", "import_probe", "output_cases",
           "stand_in_errors_cases", "stand_in_output_cases", "thread_cases"]
