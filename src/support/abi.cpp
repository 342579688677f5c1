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
    static const Name module_key("__module__");
    Ref module = Ref::steal(PyObject_GetAttr(reinterpret_cast<PyObject*>(type), module_key.get()));
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
    static const Name contents("cell_contents");
    Ref value = Ref::steal(PyObject_GetAttr(cell, contents.get()));
    if (!value) {
        // An empty cell says so with ValueError.
        if (!PyErr_ExceptionMatches(PyExc_ValueError)) {
            throw_error();
        }
        PyErr_Clear();
    }
    return value;
#else
    return Ref::borrow(PyCell_GET(cell));
#endif
}

#if !FETTLE_STABLE_ABI && PY_VERSION_HEX >= 0x030C0000

namespace {

// Called before every change of a watched dict (and when it is freed).
int count_dict_event(PyDict_WatchEvent, PyObject*, PyObject*, PyObject*) noexcept {
    ++watched_dict_events;
    return 0;
}

// This library's watcher in the running interpreter, or -1 when none could
// be had.  An interpreter has few watcher ids, so the one taken is kept in
// the interpreter's own dict, under a key naming this library's copy of
// the counter: a module of it imported again finds it there, and an
// interpreter made after a restart (whose dict is new) gets its own.
int watcher_id() noexcept {
    static unsigned known_generation = 0;
    static int id = -1;
    if (known_generation == name_generation) {
        return id;
    }
    known_generation = name_generation;
    id = -1;
    PyObject* interpreter_dict = PyInterpreterState_GetDict(PyInterpreterState_Get());
    Ref key = Ref::steal(PyUnicode_FromFormat("fettle dict watcher %p", static_cast<void*>(&watched_dict_events)));
    if (interpreter_dict == nullptr || !key) {
        PyErr_Clear();
        return -1;
    }
    if (PyObject* known = PyDict_GetItemWithError(interpreter_dict, key.get())) {
        id = static_cast<int>(PyLong_AsLong(known));
    } else if (!PyErr_Occurred()) {
        const int added = PyDict_AddWatcher(count_dict_event);
        Ref number = Ref::steal(added >= 0 ? PyLong_FromLong(added) : nullptr);
        if (number && PyDict_SetItem(interpreter_dict, key.get(), number.get()) == 0) {
            id = added;
        } else if (added >= 0) {
            PyDict_ClearWatcher(added);
        }
        // Whatever an earlier interpreter's dicts counted is void now.
        ++watched_dict_events;
    }
    if (id < 0) {
        PyErr_Clear();
    }
    return id;
}

}  // namespace

bool track_dict(PyObject* dict) noexcept {
    const int id = watcher_id();
    if (id < 0 || PyDict_Watch(id, dict) < 0) {
        PyErr_Clear();
        return false;
    }
    return true;
}

#endif

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
