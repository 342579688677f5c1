#include "support/globals.hpp"

namespace support {
namespace {

// mapping[key], or null (with no error) when the key is missing.
PyObject* lookup(PyObject* mapping, PyObject* key, Ref& holder) {
    if (PyDict_CheckExact(mapping)) {
        PyObject* value = PyDict_GetItemWithError(mapping, key);
        if (value == nullptr && PyErr_Occurred()) {
            throw_error();
        }
        holder = Ref::borrow(value);
        return value;
    }
    holder = Ref::steal(PyObject_GetItem(mapping, key));
    if (!holder) {
        if (!PyErr_ExceptionMatches(PyExc_KeyError)) {
            throw_error();
        }
        PyErr_Clear();
    }
    return holder.get();
}

}  // namespace

Ref load_global(PyObject* module_globals, PyObject* builtins, const Name& name) {
    Ref value;
    if (module_globals != nullptr && lookup(module_globals, name.get(), value) != nullptr) {
        return value;
    }
    if (builtins != nullptr && lookup(builtins, name.get(), value) != nullptr) {
        return value;
    }
    Ref message = check(PyUnicode_FromFormat("name '%.200s' is not defined", name.text()));
    Ref error = call(PyExc_NameError, message.get());
    static const Name name_attribute("name");
    setattr(error.get(), name_attribute, name.get());
    PyErr_SetObject(PyExc_NameError, error.get());
    throw_error();
}

void store_global(PyObject* module_globals, const char* name, PyObject* value) {
    Ref key = check(PyUnicode_InternFromString(name));
    check_status(PyDict_SetItem(module_globals, key.get(), value));
}

}  // namespace support
