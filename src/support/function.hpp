// Function objects that behave like Python functions.
//
// A `Function` wraps a C++ body with a parameter list described by a static
// `FunctionDef`.  To every caller it looks like a function defined in
// Python: it binds as a method through `__get__`, carries `__name__`,
// `__qualname__`, `__module__`, `__doc__`, `__annotations__` (the annotation
// strings, never evaluated), `__defaults__`, `__kwdefaults__`, `__globals__`,
// `__builtins__`, `__closure__` and `__dict__`, answers `inspect.signature`
// through `__signature__`, binds arguments with CPython's own rules and
// error texts, and is called through vectorcall.
//
// The body receives the bound arguments in parameter order, so it never has
// to parse anything itself.
#pragma once

#include "support/object.hpp"

#include <span>
#include <string_view>

namespace support {

enum class ParamKind {
    positional_or_keyword,
    var_positional,  // *args: the body gets a tuple
    var_keyword,     // **kwargs: the body gets a dict
};

struct Param {
    const char* name;
    // The annotation text, stored as a string in __annotations__; nullptr for
    // none.  Never evaluated nor checked.
    const char* annotation = nullptr;
    ParamKind kind = ParamKind::positional_or_keyword;
    // The argument must be exactly a str (no subclass, no None), else
    // TypeError, as for an argument typed `str` in a compiled signature.
    bool exact_str = false;
};

struct FunctionObject;
struct ModuleBase;

// The arguments a body receives: one borrowed object per parameter, in
// order (defaults already filled in, *args a tuple, **kwargs a dict).
using BoundArgs = std::span<PyObject* const>;

using FunctionBody = Ref (*)(FunctionObject& function, BoundArgs args);

struct FunctionDef {
    const char* name;
    const char* qualname;
    std::span<const Param> params;
    FunctionBody body;
    const char* return_annotation = nullptr;
    // The body uses a zero-argument `super()`: the function gets a
    // `__class__` cell, filled when the class statement creates the class.
    bool uses_class_cell = false;
};

// The largest parameter list a FunctionDef may have.
inline constexpr std::size_t max_params = 8;

// What binding needs to know of a parameter list, worked out once when the
// function is made.
struct ParamShape {
    std::size_t positional = 0;          // positional-or-keyword parameters, which come first
    std::ptrdiff_t var_positional = -1;  // index of *args, or -1
    std::ptrdiff_t var_keyword = -1;     // index of **kwargs, or -1
    unsigned exact_str = 0;              // bit i: parameter i takes exactly a str
};

struct FunctionObject {
    PyObject_HEAD
    vectorcallfunc vectorcall;
    const FunctionDef* def;
    ParamShape shape;
    // The support layer's part of the state of the module that made the
    // function's type (module_state.hpp), valid for the function's whole
    // life: the function holds the module (Fields::module_object).  The
    // type's own reference would not do: the collector clears the type of
    // a cycle (dropping its module) while a finaliser may still call us.
    ModuleBase* base;
    PyObject* weakreflist;  // borrowed, managed by PyObject_ClearWeakRefs
    struct Fields {
        // __dict__, made and replaced by the generic getset and attribute
        // access through tp_dictoffset (`dict_offset`), which write an owned
        // PyObject* here: a Ref is laid out exactly as one (ref.hpp).
        Ref dict;
        Ref name;
        Ref qualname;
        Ref module;
        Ref doc;
        Ref annotations;
        Ref defaults;     // a tuple, or null for None
        Ref kwdefaults;   // a dict, or null for None
        Ref globals;
        Ref builtins;
        Ref closure;      // (cell,) when def->uses_class_cell, else null
        Ref param_names;  // the parameters' names, interned str, in order
        // The module object `base` lives in.  Visited but never cleared by
        // the collector: a cycle through the module is broken by the
        // module's own clear (its dict and state), and this reference goes
        // only with the function.
        Ref module_object;
    } fields;

    // A field that can be replaced from Python (__name__, __qualname__,
    // __module__, __doc__, __annotations__, __defaults__, __kwdefaults__),
    // with a reference of the caller's own: without the GIL another thread
    // may replace it meanwhile, so it is read under the function's lock.
    Ref read(Ref Fields::*field) const;
    // Replaces such a field under the lock; the old object is released
    // after it (its destructor may run any code).
    void replace(Ref Fields::*field, Ref value);

    // The class filled into the `__class__` cell, or RuntimeError as a
    // zero-argument super() raises when the cell is still empty.  Owned:
    // the cell is writable from Python and may be emptied or refilled by
    // any call the caller makes while it still uses the class.
    Ref class_from_cell() const;
    PyObject* globals() const noexcept { return fields.globals.get(); }
    ModuleBase& module_base() const noexcept { return *base; }
    // The module's str constants (defined in module_state.hpp).
    const ModuleStrings& strings() const noexcept;
    // The function's type (the module's function type).  Py_TYPE takes a
    // mutable object in the Stable ABI; reading the type changes nothing.
    PyTypeObject* type() const noexcept {
        return Py_TYPE(reinterpret_cast<PyObject*>(const_cast<FunctionObject*>(this)));
    }
};

// Where the interpreter finds a function's __dict__.
inline constexpr Py_ssize_t dict_offset = offsetof(FunctionObject, fields) + offsetof(FunctionObject::Fields, dict);

// Creates the function type for one module (in its exec slot); the type is
// owned by the module's state.
Ref make_function_type(PyObject* module, const char* qualified_type_name);

// Creates a function for `def`, whose globals are the module's namespace.
// `defaults` is a tuple for the trailing parameters, or null for none;
// `class_cell` is the class statement's `__class__` cell, for a def that
// uses it.
Ref make_function(PyObject* function_type, const FunctionDef& def, PyObject* module_globals,
                  PyObject* defaults = nullptr, PyObject* class_cell = nullptr);

// Refuses an argument that is not exactly a str for a parameter that takes
// only that (Param::exact_str), with the message of the exact-type check.
void check_exact_str_params(const FunctionObject& function, std::span<PyObject* const> bound);
inline void check_exact_str(const FunctionObject& function, std::span<PyObject* const> bound) {
    if (function.shape.exact_str != 0) {
        check_exact_str_params(function, bound);
    }
}

// What the bound arguments of one call point into that binding made or took
// from the function: held by the caller until the body has returned.
struct BindingHold {
    Ref var_positional;  // the *args tuple
    Ref var_keyword;     // the **kwargs dict
    Ref defaults;        // __defaults__ as binding read it (the body may rebind it)
};

// Argument binding, with CPython's error texts; fills `bound` (one slot per
// parameter with a borrowed object) and keeps alive what it made or borrowed
// from the function in `hold`.
void bind_arguments(FunctionObject& function, PyObject* const* args, std::size_t nargsf, PyObject* kwnames,
                    std::span<PyObject*> bound, BindingHold& hold);

// `inspect.Signature` for the function's current parameters, defaults and
// annotations.
Ref make_signature(FunctionObject& function);

}  // namespace support
