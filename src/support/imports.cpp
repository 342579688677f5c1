#include "support/imports.hpp"

#include "support/abi.hpp"
#include "support/globals.hpp"

namespace support {
namespace {
const Name import_key("__import__");
const Name module_spec_key("__spec__");
const Name initializing_key("_initializing");
const Name dunder_name("__name__");
}  // namespace

Ref import_name(const ModuleStrings& strings, PyObject* module_globals, const char* name, int level,
                std::initializer_list<const char*> fromlist) {
    PyObject* builtins = PyEval_GetBuiltins();
    Ref importer = dict_get_item(builtins, strings[import_key]);
    if (!importer) {
        raise(PyExc_ImportError, "__import__ not found");
    }
    Ref module_name = new_str(name);
    Ref names;
    if (fromlist.size() == 0) {
        names = Ref::borrow(Py_None);
    } else {
        names = check(PyTuple_New(static_cast<Py_ssize_t>(fromlist.size())));
        Py_ssize_t index = 0;
        for (const char* item : fromlist) {
            tuple_fill(names.get(), index++, new_str(item));
        }
    }
    Ref level_object = check(PyLong_FromLong(level));
    // At module level the frame's locals are its globals.
    return call(importer.get(), module_name.get(), module_globals, module_globals, names.get(), level_object.get());
}

namespace {

bool module_is_initializing(const ModuleStrings& strings, PyObject* module) {
    Ref module_spec = Ref::steal(PyObject_GetAttr(module, strings[module_spec_key]));
    if (module_spec) {
        Ref flag = Ref::steal(PyObject_GetAttr(module_spec.get(), strings[initializing_key]));
        if (flag) {
            const int result = PyObject_IsTrue(flag.get());
            if (result >= 0) {
                return result == 1;
            }
        }
    }
    PyErr_Clear();
    return false;
}

}  // namespace

Ref import_from(const ModuleStrings& strings, PyObject* module, const char* name) {
    Ref attribute_name = new_str(name);
    Ref value = Ref::steal(PyObject_GetAttr(module, attribute_name.get()));
    if (value) {
        return value;
    }
    if (!PyErr_ExceptionMatches(PyExc_AttributeError)) {
        throw_error();
    }
    PyErr_Clear();

    // A submodule that is still being imported (a circular relative import)
    // is in sys.modules before it is bound on its package.
    Ref package_name = Ref::steal(PyObject_GetAttr(module, strings[dunder_name]));
    if (package_name && PyUnicode_Check(package_name.get())) {
        Ref full_name = check(PyUnicode_FromFormat("%U.%U", package_name.get(), attribute_name.get()));
        Ref submodule = Ref::steal(PyImport_GetModule(full_name.get()));
        if (submodule) {
            return submodule;
        }
        if (PyErr_Occurred()) {
            throw_error();
        }
    } else {
        package_name.clear();
    }

    Ref path = Ref::steal(PyModule_GetFilenameObject(module));
    Ref shown_name = package_name ? package_name : new_str("<unknown module name>");
    Ref message;
    if (!path || !PyUnicode_Check(path.get())) {
        PyErr_Clear();
        message = check(
            PyUnicode_FromFormat("cannot import name %R from %R (unknown location)", attribute_name.get(),
                                 shown_name.get()));
        PyErr_SetImportError(message.get(), package_name.get(), nullptr);
    } else {
        const char* format = module_is_initializing(strings, module)
                                 ? "cannot import name %R from partially initialized module %R (most likely due to a "
                                   "circular import) (%S)"
                                 : "cannot import name %R from %R (%S)";
        message = check(PyUnicode_FromFormat(format, attribute_name.get(), shown_name.get(), path.get()));
        PyErr_SetImportError(message.get(), package_name.get(), path.get());
    }
    throw_error();
}

void from_import(const ModuleStrings& strings, PyObject* module_globals, int level, const char* package,
                 const char* name, const char* bound) {
    Ref module = import_name(strings, module_globals, package, level, {name});
    Ref value = import_from(strings, module.get(), name);
    store_global(module_globals, bound, value.get());
}

void import_module(const ModuleStrings& strings, PyObject* module_globals, const char* name) {
    Ref module = import_name(strings, module_globals, name, 0);
    store_global(module_globals, name, module.get());
}

}  // namespace support
