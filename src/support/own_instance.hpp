// Attribute access and method calls on an instance of the module's own
// class, as Python's `self.name`, `self.name = value` and `self.name()`,
// by the shortest way that gives exactly the same (support/own_class.hpp):
// the instance __dict__ directly, our own function's body directly, while
// the instance is exact and its class unmodified; the generic protocols
// otherwise.
#pragma once

#include "support/module_state.hpp"

#include <cassert>

namespace support {

// self.name, for a name the class's instances keep in their __dict__.
inline Ref get_own(const FunctionObject& function, PyObject* self, const Name& name) {
    ModuleBase& base = function.module_base();
    assert(base.own_class.knows_plain(name));
    if (Ref dict = base.own_class.dict_of(self, base.class_versions)) {
        if (Ref value = dict_get_item(dict.get(), base.strings[name])) {
            return value;
        }
        // Python looks along the MRO before it looks in the __dict__, and
        // the class's facts say that look-up finds nothing: the miss is
        // its AttributeError, whatever the __dict__'s look-up ran (a key's
        // __eq__ may have given the class a property of that name, or
        // replaced the __dict__, which a second look-up would then see).
        raise_no_attribute(self, base.strings[name], base.strings);
    }
    return getattr(self, base.strings[name]);
}

// self.name = value, for such a name.
inline void set_own(const FunctionObject& function, PyObject* self, const Name& name, PyObject* value) {
    ModuleBase& base = function.module_base();
    assert(base.own_class.knows_plain(name));
    if (Ref dict = base.own_class.dict_of(self, base.class_versions)) {
        check_status(PyDict_SetItem(dict.get(), base.strings[name], value));
        return;
    }
    set_attribute(self, base.strings[name], value);
}

// self.name(), for a method registered with the class.
inline Ref call_own(const FunctionObject& function, PyObject* self, const Name& name) {
    ModuleBase& base = function.module_base();
    if (Ref dict = base.own_class.dict_of(self, base.class_versions)) {
        // Found now, as Python's method look-up finds the function on the
        // class before it looks in the instance __dict__: that look-up may
        // run a key's __eq__, and the body may run anything, either of
        // which may remove the function from the class (the module keeps
        // it alive: OwnClass::method).  The function found is the one
        // called; a change is seen at the next look-up.
        FunctionObject& method = base.own_class.method(name);
        // What that look-up finds in the __dict__ is what Python calls
        // (without self): a second look-up may find something else.
        if (Ref shadow = dict_get_item(dict.get(), base.strings[name])) {
            return call(shadow.get());
        }
        assert(method.def->params.size() == 1 && "only methods called with self alone");
        PyObject* const args[] = {self};
        return method.def->body(method, BoundArgs(args, 1));
    }
    return call_method(self, base.strings[name]);
}

}  // namespace support
