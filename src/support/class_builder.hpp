// Creating a class the way a class statement does.
//
// The builder follows __build_class__: it picks the most derived metaclass
// of the bases, asks it for the namespace (__prepare__), stores
// __module__ and __qualname__ first and then each member in definition
// order, and finally calls the metaclass.  A `__class__` cell is handed to
// the type through `__classcell__`, so that methods using a zero-argument
// super() see the class itself, as they would in Python.
#pragma once

#include "support/abi.hpp"

namespace support {

class ClassBuilder {
public:
    // `bases` is a tuple.  `module_name` becomes the class's __module__: the
    // module's own name inside the add-on ("fettler", "gui.main"), which
    // stays the same whatever name the host imports the add-on package by.
    // `types` makes the `__class__` cell.
    ClassBuilder(const PythonTypes& types, const ModuleStrings& strings, const char* module_name, const char* name,
                 const char* qualname, PyObject* bases);

    // The class statement's `__class__` cell (made on first use).
    PyObject* class_cell();

    // Stores one member of the class body, in definition order.
    void add(const char* name, PyObject* value);

    // Calls the metaclass and returns the new class.
    Ref finish();

private:
    const PythonTypes& types_;
    const ModuleStrings& strings_;
    Ref name_;
    Ref bases_;
    Ref metaclass_;
    Ref namespace_;
    Ref cell_;
};

// Wraps `getter` in the built-in property (staticmethod: PythonTypes).
Ref make_property(PyObject* getter);

}  // namespace support
