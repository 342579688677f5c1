// Python errors carried through C++.
//
// A C API call that fails leaves a Python exception set and returns an error
// value.  Inside our C++ code that state travels as one C++ exception,
// `PythonError`, which carries nothing: the Python exception stays where the
// interpreter put it.  Every entry point the interpreter calls (a slot, a
// vectorcall, a module exec function) wraps its body in `guard`, which turns
// the C++ exception back into the error return the interpreter expects.
//
// No other C++ exception is meant to travel: a failed allocation of the
// C++ library becomes MemoryError where it happens (`allocating`).  Should
// one travel all the same, the guard turns it into SystemError with its
// text, so that no C++ exception ever unwinds into the interpreter.
#pragma once

#include "support/ref.hpp"

#include <cassert>
#include <exception>
#include <new>
#include <utility>

namespace support {

// Thrown only while a Python exception is set.
struct PythonError {};

[[noreturn]] inline void throw_error() {
    assert(PyErr_Occurred() != nullptr && "PythonError thrown with no Python exception set");
    throw PythonError{};
}

// Sets the Python exception that stands for the C++ exception being
// handled; call it only inside a catch block.  A PythonError has its
// exception set already.
inline void set_error_for_current_exception() noexcept {
    try {
        throw;
    } catch (const PythonError&) {
    } catch (const std::bad_alloc&) {
        PyErr_NoMemory();
    } catch (const std::exception& error) {
        PyErr_SetString(PyExc_SystemError, error.what());
    } catch (...) {
        PyErr_SetString(PyExc_SystemError, "unknown C++ exception");
    }
}

// Runs `body`, which allocates through the C++ library: a failed
// allocation is raised as MemoryError right here.
template <typename Body>
decltype(auto) allocating(Body&& body) {
    try {
        return std::forward<Body>(body)();
    } catch (const std::bad_alloc&) {
        PyErr_NoMemory();
        throw_error();
    }
}

// Takes a new reference returned by the C API; null means an error is set.
inline Ref check(PyObject* result) {
    if (result == nullptr) {
        throw_error();
    }
    return Ref::steal(result);
}

// Takes a new reference returned by a C API call that returns null both on
// error (an exception set) and for "nothing" (none set), as PyIter_Next.
inline Ref check_or_end(PyObject* result) {
    if (result == nullptr && PyErr_Occurred() != nullptr) {
        throw_error();
    }
    return Ref::steal(result);
}

// For C API calls that return -1 on error (0 or 1 otherwise).
inline int check_status(int status) {
    if (status < 0) {
        throw_error();
    }
    return status;
}

// Raises `type` with `message` as a C++ exception.
[[noreturn]] inline void raise(PyObject* type, const char* message) {
    PyErr_SetString(type, message);
    throw_error();
}

template <typename... Args>
[[noreturn]] void raise_format(PyObject* type, const char* format, Args... args) {
    PyErr_Format(type, format, args...);
    throw_error();
}

// Runs `body` at a boundary back to the interpreter: any exception becomes
// `error_value` with the Python exception set (see above).
template <typename Result, typename Body>
Result guard(Result error_value, Body&& body) noexcept {
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        set_error_for_current_exception();
        return error_value;
    }
}

// The common case of slots that return a new reference.
template <typename Body>
PyObject* guard_object(Body&& body) noexcept {
    return guard<PyObject*>(nullptr, [&]() -> PyObject* { return std::forward<Body>(body)().release(); });
}

}  // namespace support
