// Attribute access on plain instances, without the generic look-up's walk
// of the type on every access.
//
// For an instance whose type uses the generic attribute protocol and whose
// MRO defines no attribute of a given name, `obj.name` can only come from
// the instance's __dict__ and `obj.name = value` can only store there, so
// reading and writing that dict directly is exactly what the generic
// protocol does.  The check of the type is remembered together with the
// type's version tag, which the interpreter changes whenever an attribute of
// the type or of one of its bases is set or deleted; that is the same guard
// the interpreter's own attribute caches rely on.  Everything else goes
// through PyObject_GetAttr / PyObject_SetAttr.
//
// Reading the dict makes the interpreter create it for instances that keep
// their attributes inline; that changes only their memory layout, not what
// any attribute access returns.
#pragma once

#include "support/object.hpp"

#include <initializer_list>
#include <vector>

namespace support {

class PlainAttributes {
public:
    // The names this accessor is used with: a type qualifies only when it
    // defines none of them.
    PlainAttributes(std::initializer_list<const Name*> names) : names_(names) {}

    Ref get(PyObject* obj, const Name& name) {
        if (is_plain(Py_TYPE(obj))) {
            Ref dict = check(PyObject_GenericGetDict(obj, nullptr));
            PyObject* value = PyDict_GetItemWithError(dict.get(), name.get());
            if (value != nullptr) {
                return Ref::borrow(value);
            }
            if (PyErr_Occurred()) {
                throw_error();
            }
            // Missing: the generic look-up raises the AttributeError.
        }
        return getattr(obj, name);
    }

    void set(PyObject* obj, const Name& name, PyObject* value) {
        if (is_plain(Py_TYPE(obj))) {
            Ref dict = check(PyObject_GenericGetDict(obj, nullptr));
            check_status(PyDict_SetItem(dict.get(), name.get(), value));
            return;
        }
        setattr(obj, name, value);
    }

private:
    bool is_plain(PyTypeObject* type) {
        if (type == verified_type_ && (type->tp_flags & Py_TPFLAGS_VALID_VERSION_TAG) != 0 &&
            type->tp_version_tag == verified_version_) {
            return true;
        }
        verified_type_ = nullptr;
        if (type->tp_getattro != PyObject_GenericGetAttr || type->tp_setattro != PyObject_GenericSetAttr ||
            type->tp_dictoffset == 0) {
            return false;
        }
        for (const Name* name : names_) {
            if (_PyType_Lookup(type, name->get()) != nullptr) {
                return false;
            }
        }
        // _PyType_Lookup has given the type a version tag if it can have one;
        // without one nothing can be remembered, and every access checks again.
        if ((type->tp_flags & Py_TPFLAGS_VALID_VERSION_TAG) != 0) {
            verified_type_ = type;
            verified_version_ = type->tp_version_tag;
        }
        return true;
    }

    std::vector<const Name*> names_;
    PyTypeObject* verified_type_ = nullptr;  // compared only, never dereferenced while stale
    unsigned int verified_version_ = 0;
};

}  // namespace support
