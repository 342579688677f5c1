// What both modules declare to the interpreter about where they may run,
// as entries of their PyModuleDef_Slot arrays (before the terminator).
//
// The interned names of support::Name are kept per process and made again
// only when a module is executed anew, and the names of one interpreter
// must not be used from another: the modules run in the main interpreter
// only, which may still be finalised and initialised again.  Subinterpreters
// with their own state are refused (3.12 and newer); the GIL is needed
// (3.13 and newer, for free-threaded builds).
#pragma once

#include "support/abi.hpp"  // FETTLE_API_VERSION

#if FETTLE_API_VERSION >= 0x030C0000
#define FETTLE_MULTIPLE_INTERPRETERS_SLOT \
    {Py_mod_multiple_interpreters, Py_MOD_MULTIPLE_INTERPRETERS_NOT_SUPPORTED},
#else
#define FETTLE_MULTIPLE_INTERPRETERS_SLOT
#endif

#if FETTLE_API_VERSION >= 0x030D0000
#define FETTLE_GIL_SLOT {Py_mod_gil, Py_MOD_GIL_USED},
#else
#define FETTLE_GIL_SLOT
#endif

#define FETTLE_INTERPRETER_SLOTS FETTLE_MULTIPLE_INTERPRETERS_SLOT FETTLE_GIL_SLOT
