// What both modules declare to the interpreter about where they may run,
// as entries of their PyModuleDef_Slot arrays (before the terminator).
//
// Each module object keeps everything of its own in its state
// (module_state.hpp), so a module may be loaded in any interpreter,
// including one with a GIL of its own (3.12 and newer).  Without the GIL
// (free-threaded builds, 3.13 and newer) its objects guard what threads may
// race on as the interpreter's own objects do, and it asks for no GIL.
#pragma once

#include "support/abi.hpp"  // FETTLE_API_VERSION

#if FETTLE_API_VERSION >= 0x030C0000
#define FETTLE_MULTIPLE_INTERPRETERS_SLOT \
    {Py_mod_multiple_interpreters, Py_MOD_PER_INTERPRETER_GIL_SUPPORTED},
#else
#define FETTLE_MULTIPLE_INTERPRETERS_SLOT
#endif

#if FETTLE_API_VERSION >= 0x030D0000
#define FETTLE_GIL_SLOT {Py_mod_gil, Py_MOD_GIL_NOT_USED},
#else
#define FETTLE_GIL_SLOT
#endif

#define FETTLE_INTERPRETER_SLOTS FETTLE_MULTIPLE_INTERPRETERS_SLOT FETTLE_GIL_SLOT
