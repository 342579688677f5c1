#include "support/globals.hpp"

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

// Looks `name` up in both namespaces when the result may be remembered,
// and remembers it; false (nothing looked up) when it may not.  The
// versions are read with the look-up, under both dicts' locks: without
// the GIL a modifying thread tells the watchers (the count moves) before
// it changes the dict, under the dict's lock, so a look-up outside the
// lock could find the old value at the new count, and a key that is not
// a str could come in between the check of the keys and the count.
bool load_remembered(PyObject* module_globals, PyObject* builtins, const Name& name, ModuleBase& base, Ref& value) {
    if constexpr (dict_versions) {
        if (module_globals == nullptr || builtins == nullptr || !PyDict_CheckExact(module_globals) ||
            !PyDict_CheckExact(builtins)) {
            return false;
        }
        DictVersions& versions = base.global_cache.versions();
        PyObject* key = base.strings[name];
        const LockedPair locked(module_globals, builtins);
        if (!str_keys_only(module_globals) || !str_keys_only(builtins) || !versions.track(module_globals) ||
            !versions.track(builtins)) {
            return false;
        }
        const std::uint64_t globals_version = versions.version(module_globals);
        const std::uint64_t builtins_version = versions.version(builtins);
        value = dict_get_item(module_globals, key);
        if (!value) {
            value = dict_get_item(builtins, key);
        }
        if (value) {
            base.global_cache.slot(name).fill(module_globals, builtins, globals_version, builtins_version,
                                              value.get());
        }
        return true;
    }
    return false;
}

const Name name_attribute("name");

}  // namespace

Ref load_global(PyObject* module_globals, PyObject* builtins, const Name& name, ModuleBase& base) {
    const ModuleStrings& strings = base.strings;
    Ref value;
    if (load_remembered(module_globals, builtins, name, base, value)) {
        if (value) {
            return value;
        }
    } else if ((module_globals != nullptr && lookup(module_globals, strings[name], value) != nullptr) ||
               (builtins != nullptr && lookup(builtins, strings[name], value) != nullptr)) {
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
