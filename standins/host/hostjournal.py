"""One ordered record of every call made into the host stand-ins.

The host modules (`gui`, `ui`, `api`) each keep their own view, and also
append to this shared list so that the order of calls across modules can
be inspected (for example a message announced before the clipboard is
written).  Each entry is a tuple: the operation's name, then its arguments.

With FETTLE_STANDINS=instant in the environment (the benchmark sets it) the
host stand-ins are quiet: nothing is recorded, announced or copied, so that
timing the add-on's modules measures their own work.
"""
import os

instant = os.environ.get("FETTLE_STANDINS") == "instant"

entries = []


def record(*entry):
    entries.append(entry)


def record_nothing(*entry):
    pass


if instant:
    record = record_nothing


def clear():
    del entries[:]


def names():
    return [entry[0] for entry in entries]
