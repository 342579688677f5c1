// Module globals.  They are read at the moment they are used, as
// LOAD_GLOBAL does: the module's namespace first, then the builtins, else
// NameError.  A caller who replaces the global in the module's namespace
// is therefore honoured.
#pragma once

#include "support/function.hpp"

namespace support {

Ref load_global(PyObject* module_globals, PyObject* builtins, const Name& name);

inline Ref load_global(const FunctionObject& function, const Name& name) {
    return load_global(function.fields.globals.get(), function.fields.builtins.get(), name);
}

// Binds a module global, as a module-level assignment does.
void store_global(PyObject* module_globals, const char* name, PyObject* value);

}  // namespace support
