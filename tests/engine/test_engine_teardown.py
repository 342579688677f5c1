"""A function of the module called after the collector has cleared its
function type, as a finaliser run while a cycle holding the module is
being cleared may call it."""
import ctypes
import types

PY_TP_CLEAR = 51  # typeslots.h


def clear_type(cls):
    """What the collector does to a type of an unreachable cycle (drops its
    dict, its MRO and its module): the type's tp_clear."""
    get_slot = ctypes.pythonapi.PyType_GetSlot
    get_slot.restype, get_slot.argtypes = ctypes.c_void_p, [ctypes.py_object, ctypes.c_int]
    ctypes.PYFUNCTYPE(ctypes.c_int, ctypes.py_object)(get_slot(type, PY_TP_CLEAR))(cls)


def test_function_called_after_its_type_was_cleared(second_fettler_module, Config, L):
    fettler = second_fettler_module
    engine = fettler.Fettler(Config([L.english, L.german], L.german, False))
    languages = fettler.Fettler.__dict__["_languages"]
    if type(languages) is not types.FunctionType:  # the module's own function type, never Python's
        clear_type(type(languages))
    assert next(languages(engine)) == L.english
