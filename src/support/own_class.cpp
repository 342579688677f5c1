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
    known_ = none;
    refused_ = none;
    versions.start();
}

FunctionObject& OwnClass::method(const Name& name) const noexcept {
    std::size_t index = 0;
    while (&methods_[index].name != &name) {
        ++index;
        assert(index < methods_.size() && "a method not registered with the class");
    }
    return *found_[index];
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
    known_ = none;
    const std::uint64_t before = versions.version(type);
    if (before == refused_) {
        return false;
    }
    if (!versions.track(type)) {
        return false;
    }
    const std::uint64_t version = versions.version(type);
    if (version == 0) {
        return false;
    }
    bool facts = false;
    try {
        facts = holds(type);
    } catch (const PythonError&) {
        // A key of a class's dict whose __eq__ raised: the interpreter's
        // own look-up along the MRO swallows that too.  The generic path
        // is taken, which looks again.
        PyErr_Clear();
    }
    // A look-up in a class's dict may run a key's __eq__, which may modify
    // the class: the facts count only when the version did not move.
    if (versions.version(type) != version) {
        return false;
    }
    (facts ? known_ : refused_) = version;
    return facts;
}

#if !FETTLE_STABLE_ABI
bool OwnClass::holds(PyTypeObject* type) {
    if (type->tp_getattro != PyObject_GenericGetAttr || type->tp_setattro != PyObject_GenericSetAttr ||
        (type->tp_dictoffset == 0 && !PyType_HasFeature(type, Py_TPFLAGS_MANAGED_DICT))) {
        return false;
    }
    std::array<FunctionObject*, max_methods> found{};
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
            // Borrowed: the class's dict keeps it while the class is
            // unmodified, which is when it is used.
            found[m] = reinterpret_cast<FunctionObject*>(value.get());
        }
    }
    for (std::size_t m = 0; m < methods_.size(); ++m) {
        if (!seen[m]) {
            return false;
        }
    }
    found_ = found;
    return true;
}
#else
bool OwnClass::holds(PyTypeObject*) { return false; }
#endif

}  // namespace support
