// Import statements, executed against a module's own globals.
#pragma once

#include "support/object.hpp"

#include <initializer_list>

namespace support {

// `import name` (level 0, no fromlist) or the import half of
// `from <level dots>name import a, b`: calls the current __import__ with
// (name, globals, globals, fromlist, level), as the IMPORT_NAME
// instruction does at module level.  `name` may be empty for `from . import x`.
Ref import_name(const ModuleStrings& strings, PyObject* module_globals, const char* name, int level,
                std::initializer_list<const char*> fromlist = {});

// One name of a from-import: the attribute, else the submodule of that name
// already in sys.modules, else ImportError worded as CPython's.
Ref import_from(const ModuleStrings& strings, PyObject* module, const char* name);

// `from <level dots><package> import <name> as <bound>` at module level.
void from_import(const ModuleStrings& strings, PyObject* module_globals, int level, const char* package,
                 const char* name, const char* bound);

// `import <name>` at module level, binding the top-level module.
void import_module(const ModuleStrings& strings, PyObject* module_globals, const char* name);

}  // namespace support
