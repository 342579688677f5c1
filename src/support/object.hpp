// The generic object protocols, wrapped so that failures throw PythonError.
//
// Everything goes through the same C API entry points the interpreter's own
// bytecode uses (PyObject_GetAttr, PyObject_Vectorcall, ...), so attribute
// look-ups, calls, comparisons and truth tests behave exactly as they would
// in Python source.
#pragma once

#include "support/error.hpp"
#include "support/interned.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>

namespace support {

inline Ref getattr(PyObject* obj, PyObject* name) { return check(PyObject_GetAttr(obj, name)); }

inline void setattr(PyObject* obj, PyObject* name, PyObject* value) {
    check_status(PyObject_SetAttr(obj, name, value));
}

// The three constants answer at once, as the interpreter's own jumps ask
// them before any truth test.
inline bool is_true(PyObject* obj) {
    if (obj == Py_True) {
        return true;
    }
    if (obj == Py_False || obj == Py_None) {
        return false;
    }
    return check_status(PyObject_IsTrue(obj)) != 0;
}

// The truth of `a <op> b`, as an `if` statement tests it.  Unlike
// PyObject_RichCompareBool there is no shortcut for identical objects:
// Python's operators always ask the objects.
inline bool compare(PyObject* a, PyObject* b, int op) {
    Ref result = check(PyObject_RichCompare(a, b, op));
    return is_true(result.get());
}

inline bool equals(PyObject* a, PyObject* b) { return compare(a, b, Py_EQ); }

inline Ref getitem(PyObject* obj, PyObject* key) { return check(PyObject_GetItem(obj, key)); }

// obj[index], for an index the code gives: support/abi.hpp, beside the
// tuple and list accessors its fast path uses.

inline Ref new_str(const char* text) { return check(PyUnicode_FromString(text)); }

// callable(*args)
template <typename... Args>
Ref call(PyObject* callable, Args... args) {
    std::array<PyObject*, sizeof...(Args) + 1> stack{nullptr, args...};
    return check(PyObject_Vectorcall(callable, stack.data() + 1, sizeof...(Args) | PY_VECTORCALL_ARGUMENTS_OFFSET,
                                     nullptr));
}

// obj.name(*args), looked up as a Python attribute access and call would.
template <typename... Args>
Ref call_method(PyObject* obj, PyObject* name, Args... args) {
    std::array<PyObject*, sizeof...(Args) + 1> stack{obj, args...};
    return check(PyObject_VectorcallMethod(name, stack.data(), stack.size() | PY_VECTORCALL_ARGUMENTS_OFFSET, nullptr));
}

// A keyword argument for call_with_keywords.
struct Keyword {
    PyObject* name;  // an interned str
    PyObject* value;
};

// callable(*positional, **keywords), keywords in the order given.
Ref call_with_keywords(PyObject* callable, std::initializer_list<PyObject*> positional,
                       std::initializer_list<Keyword> keywords);

}  // namespace support
