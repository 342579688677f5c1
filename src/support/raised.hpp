// The exception being raised, as one object.
//
// From 3.12 on the interpreter keeps only the exception instance (its type
// and traceback hang off it) and says so in its API; 3.11 has the older
// (type, value, traceback) triple, normalised here into the same shape.
#pragma once

#include "support/abi.hpp"

namespace support {

// Takes the exception being raised out of the interpreter: the instance,
// with its traceback attached; null when nothing is raised.
inline Ref take_raised() noexcept {
#if FETTLE_API_VERSION >= 0x030C0000
    return Ref::steal(PyErr_GetRaisedException());
#else
    PyObject* type;
    PyObject* value;
    PyObject* traceback;
    PyErr_Fetch(&type, &value, &traceback);
    PyErr_NormalizeException(&type, &value, &traceback);
    const Ref owned_type = Ref::steal(type);
    const Ref owned_traceback = Ref::steal(traceback);
    Ref error = Ref::steal(value);
    if (error && owned_traceback) {
        PyException_SetTraceback(error.get(), owned_traceback.get());
    }
    return error;
#endif
}

// Raises `error` (an exception instance, as take_raised gave it) again; a
// null `error` leaves nothing raised.
inline void set_raised(Ref error) noexcept {
#if FETTLE_API_VERSION >= 0x030C0000
    PyErr_SetRaisedException(error.release());
#else
    if (!error) {
        PyErr_Clear();
        return;
    }
    PyObject* type = Py_NewRef(reinterpret_cast<PyObject*>(Py_TYPE(error.get())));
    PyObject* traceback = PyException_GetTraceback(error.get());
    PyErr_Restore(type, error.release(), traceback);
#endif
}

}  // namespace support
