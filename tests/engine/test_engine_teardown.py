"""A function of the module called after the collector has cleared its
function type or the module itself, as a finaliser run while a cycle
holding the module is being cleared may call it: never a crash."""
import ctypes
import types

import pytest

PY_TP_CLEAR = 51  # typeslots.h


def clear(obj):
    """What the collector does to an object of an unreachable cycle: its
    type's tp_clear (a type drops its dict, MRO and module; a module its
    dict and state)."""
    get_slot = ctypes.pythonapi.PyType_GetSlot
    get_slot.restype, get_slot.argtypes = ctypes.c_void_p, [ctypes.py_object, ctypes.c_int]
    ctypes.PYFUNCTYPE(ctypes.c_int, ctypes.py_object)(get_slot(type(obj), PY_TP_CLEAR))(obj)


@pytest.mark.parametrize("cleared", ["function type", "module"])
def test_function_called_after_the_collector_cleared(second_fettler_module, Config, L, cleared):
    fettler = second_fettler_module
    engine = fettler.Fettler(Config([L.english, L.german], L.german, False))
    languages = fettler.Fettler.__dict__["_languages"]
    if cleared == "module":
        clear(fettler)
    elif type(languages) is not types.FunctionType:  # the module's own function type, never Python's
        clear(type(languages))
    try:
        assert next(languages(engine)) == L.english
    except RuntimeError:  # the state a cleared module held is gone
        assert cleared == "module"
