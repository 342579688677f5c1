// A module's state: a struct kept in the state block the interpreter
// allocates for the module.
//
// The module's definition comes from `module_def_with_state`, whose
// m_traverse, m_clear and m_free are the functions below, so that both
// modules visit, clear and free their state the same way; the exec slot
// constructs the state with `make_module_state`.  `State` names the
// references it holds once, in a member function
//
//     auto refs() { return std::tie(field, ...); }
//
// and traverse and clear both follow that list.  Its first member is the
// support layer's part, `support::ModuleBase base` (below), which the
// layer finds there; refs() lists its references too
// (std::tuple_cat(base.refs(), std::tie(...))).
//
// Everything a module object keeps lives in its state, so that two module
// objects of one library (imported twice, or in two interpreters) share
// nothing but their C code.
#pragma once

#include "support/abi.hpp"
#include "support/function.hpp"
#include "support/global_cache.hpp"
#include "support/own_class.hpp"

#include <cstddef>
#include <new>
#include <tuple>

namespace support {

// The support layer's part of every module's state: the types reached
// through Python in the Stable ABI, the interned constants, the global
// look-up cache, what the module knows of its own class.
struct ModuleBase {
    PythonTypes python_types;
    ModuleStrings strings;
    GlobalCache global_cache;
    TypeVersions class_versions;  // started when own_class is registered
    OwnClass own_class;
    // Set when the collector clears the module (m_clear): its functions
    // may still be called (by a finaliser), but the state's references
    // are gone.
    bool cleared = false;

    // In the exec slot, before any other code of the module runs.
    void make() {
        strings.make();
        python_types.load();
        global_cache.make();
    }

    // The references the collector sees.  The interned constants are not
    // among them: a str takes part in no cycle, and they stay until the
    // module object is freed, since a function of the module may still be
    // called while a cycle holding the module is being cleared.
    auto refs() noexcept { return std::tuple_cat(python_types.refs(), own_class.refs()); }

    void free() noexcept {
        class_versions.stop();
        global_cache.clear();
        strings.clear();
    }
};

inline const ModuleStrings& FunctionObject::strings() const noexcept { return base->strings; }

// The state of `module`, or null before the interpreter allocated it.
template <typename State>
State* module_state(PyObject* module) noexcept {
    return static_cast<State*>(PyModule_GetState(module));
}

// The state of the module whose function type made `function`: the one
// `base` is the first member of, kept alive by the function itself (never
// through the type, whose module the collector may have cleared).
// Once the collector has cleared the module, RuntimeError: what the state
// held is gone.
template <typename State>
State& module_state(const FunctionObject& function) {
    static_assert(offsetof(State, base) == 0, "the support layer's part must come first in a module's state");
    if (function.base->cleared) [[unlikely]] {
        raise(PyExc_RuntimeError, "the function's module has been cleared");
    }
    return *reinterpret_cast<State*>(function.base);
}

// Constructs the state in the block the interpreter allocated (zero-filled,
// which is what empty references are anyway).
template <typename State>
State& make_module_state(PyObject* module) {
    return *new (PyModule_GetState(module)) State{};
}

template <typename State>
int traverse_module_state(PyObject* module, visitproc visit, void* arg) {
    State* state = module_state<State>(module);
    if (state == nullptr) {
        return 0;
    }
    // Visits in order, stopping at the first non-zero result (as Py_VISIT).
    int result = 0;
    auto visit_ref = [&](Ref& ref) { return result = ref ? visit(ref.get(), arg) : 0; };
    std::apply([&](auto&... refs) { static_cast<void>(((visit_ref(refs) == 0) && ...)); }, state->refs());
    return result;
}

template <typename State>
int clear_module_state(PyObject* module) {
    if (State* state = module_state<State>(module)) {
        state->base.cleared = true;
        std::apply([](auto&... refs) { (refs.clear(), ...); }, state->refs());
    }
    return 0;
}

// Clears the references first (each is null before the object it held can
// run code), then ends the state's lifetime.
template <typename State>
void free_module_state(void* module) {
    auto* object = static_cast<PyObject*>(module);
    clear_module_state<State>(object);
    if (State* state = module_state<State>(object)) {
        state->base.free();
        state->~State();
    }
}

// The definition of a multi-phase module named `name` (no methods, no
// docstring) whose state is a `State`.
template <typename State>
constexpr PyModuleDef module_def_with_state(const char* name, PyModuleDef_Slot* slots) noexcept {
    static_assert(offsetof(State, base) == 0, "the support layer's part must come first in a module's state");
    return {
        PyModuleDef_HEAD_INIT,
        name,
        nullptr,
        sizeof(State),
        nullptr,
        slots,
        traverse_module_state<State>,
        clear_module_state<State>,
        free_module_state<State>,
    };
}

}  // namespace support
