// Binding call arguments to parameters, as CPython binds them for a
// function defined in Python, with the same error texts.  Error messages
// name the function by its current __qualname__.
#include "support/function.hpp"

#include "support/abi.hpp"
#include "support/suggestion.hpp"

#include <bit>

namespace support {
namespace {

Ref qualname_of(FunctionObject& function) { return function.read(&FunctionObject::Fields::qualname); }

[[noreturn]] void too_many_positional(FunctionObject& function, std::size_t positional, Py_ssize_t given) {
    const Ref defaults_ref = function.read(&FunctionObject::Fields::defaults);
    PyObject* defaults = defaults_ref.get();
    const Py_ssize_t defcount = defaults != nullptr ? tuple_size(defaults) : 0;
    const auto argcount = static_cast<Py_ssize_t>(positional);
    Ref sig;
    bool plural;
    if (defcount != 0) {
        plural = true;
        sig = check(PyUnicode_FromFormat("from %zd to %zd", argcount - defcount, argcount));
    } else {
        plural = argcount != 1;
        sig = check(PyUnicode_FromFormat("%zd", argcount));
    }
    raise_format(PyExc_TypeError, "%U() takes %U positional argument%s but %zd %s given", qualname_of(function).get(),
                 sig.get(), plural ? "s" : "", given, given == 1 ? "was" : "were");
}

// "'a'", "'a' and 'b'", "'a', 'b', and 'c'"
[[noreturn]] void missing_positional(FunctionObject& function, std::span<PyObject*> bound, std::size_t required) {
    Ref names = check(PyList_New(0));
    for (std::size_t i = 0; i < required; ++i) {
        if (bound[i] == nullptr) {
            Ref name = check(PyUnicode_FromString(function.def->params[i].name));
            Ref quoted = check(PyObject_Repr(name.get()));
            check_status(PyList_Append(names.get(), quoted.get()));
        }
    }
    const Py_ssize_t count = list_size(names.get());
    Ref listed;
    if (count == 1) {
        listed = list_item(names.get(), 0);
    } else if (count == 2) {
        listed = check(PyUnicode_FromFormat("%U and %U", list_item(names.get(), 0).get(),
                                            list_item(names.get(), 1).get()));
    } else {
        Ref tail = check(PyUnicode_FromFormat(", %U, and %U", list_item(names.get(), count - 2).get(),
                                              list_item(names.get(), count - 1).get()));
        check_status(PyList_SetSlice(names.get(), count - 2, count, nullptr));
        Ref separator = new_str(", ");
        Ref head = check(PyUnicode_Join(separator.get(), names.get()));
        listed = check(PyUnicode_Concat(head.get(), tail.get()));
    }
    raise_format(PyExc_TypeError, "%U() missing %zd required positional argument%s: %U", qualname_of(function).get(), count,
                 count == 1 ? "" : "s", listed.get());
}

// From 3.13 on the interpreter suggests the closest parameter name (the
// running interpreter: a Stable-ABI module built for 3.12 runs on 3.13).
[[noreturn]] void unexpected_keyword(FunctionObject& function, PyObject* keyword) {
    if (interpreter_at_least(0x030D0000)) {
        PyObject* names = function.fields.param_names.get();
        PyObject* candidates[max_params];
        for (std::size_t i = 0; i < function.shape.positional; ++i) {
            candidates[i] = tuple_item(names, static_cast<Py_ssize_t>(i));
        }
        if (const Ref suggestion = closest_name(keyword, std::span(candidates, function.shape.positional))) {
            raise_format(PyExc_TypeError, "%U() got an unexpected keyword argument '%S'. Did you mean '%S'?",
                         qualname_of(function).get(), keyword, suggestion.get());
        }
    }
    raise_format(PyExc_TypeError, "%U() got an unexpected keyword argument '%S'", qualname_of(function).get(), keyword);
}

// Index of the positional-or-keyword parameter called `keyword`, or -1.
// Names are matched as the interpreter matches them: by identity first
// (both sides are usually interned), then with ==, the keyword on the left;
// never encoded, so any str (lone surrogates included) is just a name that
// does not match.
std::ptrdiff_t find_parameter(const FunctionObject& function, std::size_t positional, PyObject* keyword) {
    PyObject* names = function.fields.param_names.get();
    for (std::size_t i = 0; i < positional; ++i) {
        if (tuple_item(names, static_cast<Py_ssize_t>(i)) == keyword) {
            return static_cast<std::ptrdiff_t>(i);
        }
    }
    for (std::size_t i = 0; i < positional; ++i) {
        PyObject* name = tuple_item(names, static_cast<Py_ssize_t>(i));
        if (check_status(PyObject_RichCompareBool(keyword, name, Py_EQ)) != 0) {
            return static_cast<std::ptrdiff_t>(i);
        }
    }
    return -1;
}

}  // namespace

// A parameter marked exact_str takes exactly a str: no subclass, no None.
void check_exact_str_params(const FunctionObject& function, std::span<PyObject* const> bound) {
    for (unsigned mask = function.shape.exact_str; mask != 0; mask &= mask - 1) {
        const auto i = static_cast<std::size_t>(std::countr_zero(mask));
        if (!PyUnicode_CheckExact(bound[i])) {
            Ref type_name = check(PyType_GetName(Py_TYPE(bound[i])));
            raise_format(PyExc_TypeError, "Argument '%.200s' has incorrect type (expected %.200s, got %.200U)",
                         function.def->params[i].name, "str", type_name.get());
        }
    }
}

void bind_arguments(FunctionObject& function, PyObject* const* args, std::size_t nargsf, PyObject* kwnames,
                    std::span<PyObject*> bound, BindingHold& hold) {
    const ParamShape& shape = function.shape;
    const Py_ssize_t given = PyVectorcall_NARGS(nargsf);
    const auto positional = static_cast<Py_ssize_t>(shape.positional);

    const Py_ssize_t direct = given < positional ? given : positional;
    for (Py_ssize_t i = 0; i < direct; ++i) {
        bound[static_cast<std::size_t>(i)] = args[i];
    }
    if (shape.var_positional >= 0) {
        const Py_ssize_t extra = given > positional ? given - positional : 0;
        hold.var_positional = check(PyTuple_New(extra));
        for (Py_ssize_t i = 0; i < extra; ++i) {
            tuple_fill(hold.var_positional.get(), i, Ref::borrow(args[positional + i]));
        }
        bound[static_cast<std::size_t>(shape.var_positional)] = hold.var_positional.get();
    }
    if (shape.var_keyword >= 0) {
        hold.var_keyword = check(PyDict_New());
        bound[static_cast<std::size_t>(shape.var_keyword)] = hold.var_keyword.get();
    }

    const Py_ssize_t keywords = kwnames != nullptr ? tuple_size(kwnames) : 0;
    for (Py_ssize_t k = 0; k < keywords; ++k) {
        PyObject* keyword = tuple_item(kwnames, k);
        PyObject* value = args[given + k];
        if (!PyUnicode_Check(keyword)) {
            raise_format(PyExc_TypeError, "%U() keywords must be strings", qualname_of(function).get());
        }
        const std::ptrdiff_t index = find_parameter(function, shape.positional, keyword);
        if (index < 0) {
            if (shape.var_keyword < 0) {
                unexpected_keyword(function, keyword);
            }
            check_status(PyDict_SetItem(hold.var_keyword.get(), keyword, value));
            continue;
        }
        PyObject*& slot = bound[static_cast<std::size_t>(index)];
        if (slot != nullptr) {
            raise_format(PyExc_TypeError, "%U() got multiple values for argument '%S'", qualname_of(function).get(),
                         keyword);
        }
        slot = value;
    }

    if (given > positional && shape.var_positional < 0) {
        too_many_positional(function, shape.positional, given);
    }
    if (given < positional) {
        // Held for the call: the body may rebind __defaults__ while the
        // bound values are still in use.
        hold.defaults = function.read(&FunctionObject::Fields::defaults);
        PyObject* defaults = hold.defaults.get();
        const Py_ssize_t defcount = defaults != nullptr ? tuple_size(defaults) : 0;
        const Py_ssize_t first_default = positional > defcount ? positional - defcount : 0;
        for (Py_ssize_t i = given; i < first_default; ++i) {
            if (bound[static_cast<std::size_t>(i)] == nullptr) {
                missing_positional(function, bound, static_cast<std::size_t>(first_default));
            }
        }
        for (Py_ssize_t i = first_default > given ? first_default : given; i < positional; ++i) {
            PyObject*& slot = bound[static_cast<std::size_t>(i)];
            if (slot == nullptr) {
                slot = tuple_item(defaults, i - (positional - defcount));
            }
        }
    }
    check_exact_str(function, bound);
}

}  // namespace support
