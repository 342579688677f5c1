// Module globals.  They are read at the moment they are used, as
// LOAD_GLOBAL does: the module's namespace first, then the builtins, else
// NameError.  A caller who replaces the global in the module's namespace,
// or the builtin, is therefore honoured at the very next read.
//
// Like LOAD_GLOBAL, a read remembers where it found the name (in its
// module object's cache, support/global_cache.hpp) with the versions of
// both dicts (support/abi.hpp),
// and finds it there again while neither dict has been modified since;
// any change of either sends the next read through the dicts again.  It
// remembers only a look-up that could run no code of anyone else's: both
// namespaces exact dicts whose keys are all exact str.
#pragma once

#include "support/abi.hpp"
#include "support/function.hpp"
#include "support/module_state.hpp"

namespace support {

// Looks `name` up (by `base`'s str), and remembers where it found it in
// `base`'s global cache when it can.
Ref load_global(PyObject* module_globals, PyObject* builtins, const Name& name, ModuleBase& base);

inline Ref load_global(const FunctionObject& function, const Name& name) {
    PyObject* globals = function.fields.globals.get();
    PyObject* builtins = function.fields.builtins.get();
    ModuleBase& base = function.module_base();
    GlobalCache& cache = base.global_cache;
    if constexpr (dict_versions) {
        if (Ref value = cache.slot(name).read(globals, builtins, cache.versions())) {
            return value;
        }
    }
    return load_global(globals, builtins, name, base);
}

// Binds a module global, as a module-level assignment does.
void store_global(PyObject* module_globals, const char* name, PyObject* value);

}  // namespace support
