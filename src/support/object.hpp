// The generic object protocols, wrapped so that failures throw PythonError.
//
// Everything goes through the same C API entry points the interpreter's own
// bytecode uses (PyObject_GetAttr, PyObject_Vectorcall, ...), so attribute
// look-ups, calls, comparisons and truth tests behave exactly as they would
// in Python source.
#pragma once

#include "support/error.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>

namespace support {

// Bumped by renew_names(); a Name or StrConstant interned under an older
// value interns its text again on next use.
inline unsigned name_generation = 1;

// Called first by each module's exec slot.  The names interned so far may
// belong to an interpreter that has been finalised since (an embedding host
// may finalise Python and initialise it again in the same process, and the
// interpreter frees its interned strings when it ends), so every Name and
// StrConstant interns its text again.  Within one interpreter that gives the same
// object once more (one more reference held), so nothing changes.
inline void renew_names() noexcept { ++name_generation; }

// A str constant of this code, interned on first use in the current
// interpreter (see renew_names) and then kept, as the interpreter keeps the
// constants of compiled code.
class InternedStr {
public:
    constexpr explicit InternedStr(const char* text) noexcept : text_(text) {}
    InternedStr(const InternedStr&) = delete;
    InternedStr& operator=(const InternedStr&) = delete;

    const char* text() const noexcept { return text_; }

    PyObject* get() const {
        if (generation_ != name_generation) [[unlikely]] {
            PyObject* object = PyUnicode_InternFromString(text_);
            if (object == nullptr) {
                throw_error();
            }
            // Kept, never released (below); a reference of an ended
            // interpreter is simply forgotten.
            object_ = object;
            generation_ = name_generation;
        }
        return object_;
    }

private:
    const char* text_;
    // The one owned reference outside a Ref (see ref.hpp): it is never
    // released.  There is no moment at which that would be safe: static
    // destruction runs after the interpreter has ended, and once an
    // interpreter is finalised the object is gone with it.
    mutable PyObject* object_ = nullptr;
    mutable unsigned generation_ = 0;
};

// Where a module global or builtin was found by its last look-up through
// support::load_global (globals.hpp), and the versions of the two dicts
// then: while both are the same, unmodified dicts, the look-up would find
// the same object again.  `value` is borrowed from the dict that holds it,
// which keeps it alive for as long as the dict stays unmodified.
struct GlobalSlot {
    unsigned generation = 0;  // name_generation when it was filled; 0: empty
    PyObject* globals = nullptr;
    PyObject* builtins = nullptr;
    std::uint64_t globals_version = 0;
    std::uint64_t builtins_version = 0;
    PyObject* value = nullptr;
};

// An identifier: an attribute, global or keyword name.  The protocols
// below that look a name up take only this kind.  A name read as a module
// global keeps its last look-up, as the interpreter's LOAD_GLOBAL keeps one
// per instruction.
class Name : public InternedStr {
public:
    using InternedStr::InternedStr;

    GlobalSlot& global_slot() const noexcept { return global_slot_; }

private:
    mutable GlobalSlot global_slot_;
};

// Any other str constant: a separator, the empty format string.
class StrConstant : public InternedStr {
public:
    using InternedStr::InternedStr;
};

inline Ref getattr(PyObject* obj, const Name& name) { return check(PyObject_GetAttr(obj, name.get())); }
inline Ref getattr(PyObject* obj, PyObject* name) { return check(PyObject_GetAttr(obj, name)); }

inline void setattr(PyObject* obj, const Name& name, PyObject* value) {
    check_status(PyObject_SetAttr(obj, name.get(), value));
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
Ref call_method(PyObject* obj, const Name& name, Args... args) {
    std::array<PyObject*, sizeof...(Args) + 1> stack{obj, args...};
    return check(PyObject_VectorcallMethod(name.get(), stack.data(), stack.size() | PY_VECTORCALL_ARGUMENTS_OFFSET,
                                           nullptr));
}

// A keyword argument for call_with_keywords.
struct Keyword {
    const Name& name;
    PyObject* value;
};

// callable(*positional, **keywords), keywords in the order given.
Ref call_with_keywords(PyObject* callable, std::initializer_list<PyObject*> positional,
                       std::initializer_list<Keyword> keywords);

}  // namespace support
