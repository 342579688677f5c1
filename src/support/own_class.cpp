#include "support/own_class.hpp"

#include <cassert>

namespace support {
namespace {

const Name name_attribute("name");
const Name obj_attribute("obj");

}  // namespace

void raise_no_attribute(PyObject* self, PyObject* name, const ModuleStrings& strings) {
    Ref type = type_name_of(self);
    Ref message = check(PyUnicode_FromFormat("'%.100U' object has no attribute '%U'", type.get(), name));
    Ref error = call(PyExc_AttributeError, message.get());
    setattr(error.get(), strings[name_attribute], name);
    setattr(error.get(), strings[obj_attribute], self);
    PyErr_SetObject(PyExc_AttributeError, error.get());
    throw_error();
}

void OwnClass::make(PyObject* type, PyObject* function_type, std::span<const Name* const> plain,
                    std::span<const OwnMethod> methods, TypeVersions& versions, const ModuleStrings& strings) {
    assert(methods.size() <= max_methods);
    type_ = Ref::borrow(type);
    function_type_ = function_type;
    strings_ = &strings;
    plain_ = plain;
    methods_ = methods;
    held_ = check(PyList_New(0));
    known_.store(none);
    refused_.store(none);
    versions.start();
}

FunctionObject& OwnClass::method(const Name& name) const noexcept {
    std::size_t index = 0;
    while (&methods_[index].name != &name) {
        ++index;
        assert(index < methods_.size() && "a method not registered with the class");
    }
    return *found_[index].load();
}

bool OwnClass::knows_plain(const Name& name) const noexcept {
    for (const Name* known : plain_) {
        if (known == &name) {
            return true;
        }
    }
    return false;
}

bool OwnClass::recheck(TypeVersions& versions) {
    auto* type = reinterpret_cast<PyTypeObject*>(type_.get());
    const std::uint64_t before = versions.version(type);
    if (before == refused_.load()) {
        return false;
    }
#if !FETTLE_STABLE_ABI
    // Without the GIL a thread that sets an attribute of the class tells
    // the watchers (the count moves) before it changes the class's dict,
    // holding that dict's lock throughout: the count is read and the dict
    // looked in under the same lock, so that the facts are never the old
    // dict's at the new count.  (The other class of the MRO is object,
    // whose dict never changes; the interpreter refuses any other base.)
    const Ref class_dict = type_dict(type);
    const Locked locked(class_dict.get());
#endif
    if (!versions.track(type)) {
        return false;
    }
    const std::uint64_t version = versions.version(type);
    if (version == 0) {
        return false;
    }
    Found found;
    bool facts = false;
    try {
        facts = holds(type, found);
    } catch (const PythonError&) {
        // A key of a class's dict whose __eq__ raised: the interpreter's
        // own look-up along the MRO swallows that too.  The generic path
        // is taken, which looks again.
        PyErr_Clear();
    }
    // A look-up in a class's dict may run a key's __eq__, which may modify
    // the class: the facts count only when the version did not move.
    return publish(facts, found, version, versions) && facts;
}

bool OwnClass::publish(bool facts, const Found& found, std::uint64_t version, TypeVersions& versions) {
    // Held in held_ before they are published, for as long as the module
    // keeps its state: code the caller runs may take a function off the
    // class while its body runs.  (A list's append runs no Python code, so
    // nothing is run under the lock.)
    publishing_.lock();
    bool published = versions.version(type_.as<PyTypeObject>()) == version;
    for (std::size_t m = 0; published && facts && m < methods_.size(); ++m) {
        PyObject* function = found[m].get();
        // Our functions compare by identity: no Python code runs here.
        const int kept = PySequence_Contains(held_.get(), function);
        if (kept < 0 || (kept == 0 && PyList_Append(held_.get(), function) < 0)) {
            PyErr_Clear();
            published = false;
        }
    }
    if (published && facts) {
        for (std::size_t m = 0; m < methods_.size(); ++m) {
            found_[m].store(found[m].as<FunctionObject>());
        }
        known_.store(version);
    } else if (published) {
        refused_.store(version);
    }
    publishing_.unlock();
    return published;
}

#if !FETTLE_STABLE_ABI
bool OwnClass::holds(PyTypeObject* type, Found& found) {
    if (type->tp_getattro != PyObject_GenericGetAttr || type->tp_setattro != PyObject_GenericSetAttr ||
        (type->tp_dictoffset == 0 && !PyType_HasFeature(type, Py_TPFLAGS_MANAGED_DICT))) {
        return false;
    }
    std::array<bool, max_methods> seen{};
    // What the interpreter's own look-up of a class attribute along the
    // MRO would find for each name: the first class whose dict has it.
    // Held: a key's __eq__ in a look-up below may reassign __bases__, which
    // replaces (and would free) the type's MRO tuple.
    const Ref mro = Ref::borrow(type->tp_mro);
    if (!mro || !PyTuple_Check(mro.get())) {
        return false;
    }
    for (Py_ssize_t i = 0; i < tuple_size(mro.get()); ++i) {
        PyObject* base = tuple_item(mro.get(), i);
        if (!PyType_Check(base)) {
            return false;
        }
        Ref dict = type_dict(reinterpret_cast<PyTypeObject*>(base));
        // A key of another type would have its __eq__ run by the look-ups
        // below for names the caller may never read, where Python's own
        // look-up runs it only for the name it reads: such a class takes
        // the generic path.
        {
            const Locked locked(dict.get());
            if (!str_keys_only(dict.get())) {
                return false;
            }
        }
        for (const Name* name : plain_) {
            if (dict_get_item(dict.get(), (*strings_)[*name])) {
                return false;
            }
        }
        for (std::size_t m = 0; m < methods_.size(); ++m) {
            if (seen[m]) {
                continue;
            }
            Ref value = dict_get_item(dict.get(), (*strings_)[methods_[m].name]);
            if (!value) {
                continue;
            }
            seen[m] = true;
            if (reinterpret_cast<PyObject*>(Py_TYPE(value.get())) != function_type_ ||
                reinterpret_cast<FunctionObject*>(value.get())->def != &methods_[m].def) {
                return false;
            }
            // Held: a key's __eq__ in a look-up below, or another thread,
            // may take it off the class.
            found[m] = std::move(value);
        }
    }
    for (std::size_t m = 0; m < methods_.size(); ++m) {
        if (!seen[m]) {
            return false;
        }
    }
    return true;
}
#else
bool OwnClass::holds(PyTypeObject*, Found&) { return false; }
#endif

}  // namespace support
