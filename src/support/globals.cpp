#include "support/globals.hpp"

#include <optional>

namespace support {
namespace {

// mapping[key], or null (with no error) when the key is missing.
PyObject* lookup(PyObject* mapping, PyObject* key, Ref& holder) {
    if (PyDict_CheckExact(mapping)) {
        holder = dict_get_item(mapping, key);
        return holder.get();
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

// A dict whose look-up of an exact str runs no code but the dict's own:
// an exact dict whose keys are all exact str (a key of a str subclass may
// define its own __eq__).  A key can only come in with a modification,
// which changes the dict's version.
bool plain_namespace(PyObject* mapping) {
    if (!PyDict_CheckExact(mapping)) {
        return false;
    }
    // Without the GIL under the dict's lock, which its iteration needs.
    const Locked locked(mapping);
    Py_ssize_t position = 0;
    PyObject* key = nullptr;
    PyObject* value = nullptr;
    while (PyDict_Next(mapping, &position, &key, &value)) {
        if (!PyUnicode_CheckExact(key)) {
            return false;
        }
    }
    return true;
}

struct Versions {
    std::uint64_t globals;
    std::uint64_t builtins;
};

// The versions of both namespaces before the look-up (any change the
// look-up itself brought about then makes them stale), when its result may
// be remembered.
std::optional<Versions> versions_before(PyObject* module_globals, PyObject* builtins, DictVersions& versions) {
    if constexpr (dict_versions) {
        if (module_globals != nullptr && builtins != nullptr && plain_namespace(module_globals) &&
            plain_namespace(builtins) && versions.track(module_globals) && versions.track(builtins)) {
            return Versions{versions.version(module_globals), versions.version(builtins)};
        }
    }
    return std::nullopt;
}

const Name name_attribute("name");

}  // namespace

Ref load_global(PyObject* module_globals, PyObject* builtins, const Name& name, ModuleBase& base) {
    GlobalCache& cache = base.global_cache;
    const ModuleStrings& strings = base.strings;
    const std::optional<Versions> versions = versions_before(module_globals, builtins, cache.versions());
    Ref value;
    if ((module_globals != nullptr && lookup(module_globals, strings[name], value) != nullptr) ||
        (builtins != nullptr && lookup(builtins, strings[name], value) != nullptr)) {
        if (versions) {
            cache.slot(name).fill(module_globals, builtins, versions->globals, versions->builtins, value.get());
        }
        return value;
    }
    Ref message = check(PyUnicode_FromFormat("name '%.200s' is not defined", name.text()));
    Ref error = call(PyExc_NameError, message.get());
    setattr(error.get(), strings[name_attribute], strings[name]);
    PyErr_SetObject(PyExc_NameError, error.get());
    throw_error();
}

void store_global(PyObject* module_globals, const char* name, PyObject* value) {
    Ref key = check(PyUnicode_InternFromString(name));
    check_status(PyDict_SetItem(module_globals, key.get(), value));
}

}  // namespace support
