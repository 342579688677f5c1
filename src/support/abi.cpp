// The Stable-ABI sides of support/abi.hpp that are more than one call, and
// the type name both builds share.
#include "support/abi.hpp"

#include <utility>

namespace support {
Ref type_name(PyTypeObject* type) {
#if FETTLE_STABLE_ABI
    Ref name = check(PyType_GetName(type));
    // A class statement's type (a mutable heap type) has its bare name as
    // tp_name, whatever its __module__ says.
    const unsigned long flags = PyType_GetFlags(type);
    if ((flags & Py_TPFLAGS_HEAPTYPE) != 0 && (flags & Py_TPFLAGS_IMMUTABLETYPE) == 0) {
        return name;
    }
    // A built-in type's __module__ is what its tp_name has before the last
    // dot ("builtins" when there is none), and so is that of an immutable
    // heap type whose slot-table name is dotted (it has none otherwise); an
    // immutable type's __module__ cannot have been changed since.
    // By its C text: this layer has no module's table here, and the name is
    // read only for a message or a class statement's metaclass.
    Ref module = Ref::steal(PyObject_GetAttrString(reinterpret_cast<PyObject*>(type), "__module__"));
    if (!module) {
        if (!PyErr_ExceptionMatches(PyExc_AttributeError)) {
            throw_error();
        }
        PyErr_Clear();
        return name;
    }
    if (!PyUnicode_Check(module.get()) || PyUnicode_CompareWithASCIIString(module.get(), "builtins") == 0) {
        return name;
    }
    return check(PyUnicode_FromFormat("%U.%U", module.get(), name.get()));
#else
    return new_str(type->tp_name);
#endif
}

Ref cell_contents(PyObject* cell) {
#if FETTLE_STABLE_ABI
    // By its C text, as type_name reads __module__ (super() and the class
    // statement are no hot path).
    Ref value = Ref::steal(PyObject_GetAttrString(cell, "cell_contents"));
    if (!value) {
        // An empty cell says so with ValueError.
        if (!PyErr_ExceptionMatches(PyExc_ValueError)) {
            throw_error();
        }
        PyErr_Clear();
    }
    return value;
#else
    // A new reference: without the GIL, another thread's `cell_contents = x`
    // may free the value a borrowed read returned.
    Ref value = Ref::steal(PyCell_Get(cell));
    if (!value && PyErr_Occurred()) {
        throw_error();
    }
    return value;
#endif
}

#if FETTLE_STABLE_ABI

namespace {

// A type the module state held, which its clear may have dropped (a
// function can outlive its module's state while a cycle is collected).
PyObject* loaded(const Ref& type) {
    if (!type) {
        raise(PyExc_SystemError, "module state already cleared");
    }
    return type.get();
}

Ref attribute_of_module(const char* module_name, const char* attribute) {
    Ref module = check(PyImport_ImportModule(module_name));
    return check(PyObject_GetAttrString(module.get(), attribute));
}

}  // namespace

void PythonTypes::load() {
    cell_type_ = attribute_of_module("types", "CellType");
    method_type_ = attribute_of_module("types", "MethodType");
    staticmethod_type_ = attribute_of_module("builtins", "staticmethod");
}

Ref PythonTypes::new_cell() const { return call(loaded(cell_type_)); }

Ref PythonTypes::bound_method(PyObject* function, PyObject* self) const {
    return call(loaded(method_type_), function, self);
}

Ref PythonTypes::static_method(PyObject* function) const { return call(loaded(staticmethod_type_), function); }

int PythonTypes::traverse(visitproc visit, void* arg) const {
    Py_VISIT(cell_type_.get());
    Py_VISIT(method_type_.get());
    Py_VISIT(staticmethod_type_.get());
    return 0;
}

void PythonTypes::clear() noexcept {
    cell_type_.clear();
    method_type_.clear();
    staticmethod_type_.clear();
}

const PythonTypes& python_types_of(PyTypeObject* type) {
    PyObject* module = PyType_GetModule(type);
    if (module == nullptr) {
        throw_error();
    }
    void* state = PyModule_GetState(module);
    if (state == nullptr) {
        raise(PyExc_SystemError, "module has no state");
    }
    return *static_cast<const PythonTypes*>(state);
}

#else

void PythonTypes::load() {}

Ref PythonTypes::new_cell() const { return check(PyCell_New(nullptr)); }

Ref PythonTypes::bound_method(PyObject* function, PyObject* self) const { return check(PyMethod_New(function, self)); }

Ref PythonTypes::static_method(PyObject* function) const { return check(PyStaticMethod_New(function)); }

int PythonTypes::traverse(visitproc, void*) const { return 0; }

void PythonTypes::clear() noexcept {}

#endif

}  // namespace support
