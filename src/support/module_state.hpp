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
// module's `support::PythonTypes python_types` (support/abi.hpp), which
// support::python_types_of finds there; refs() lists its references too
// (std::tuple_cat(python_types.refs(), std::tie(...))).
#pragma once

#include "support/abi.hpp"
#include "support/function.hpp"

#include <cstddef>
#include <new>
#include <tuple>

namespace support {

// The state of `module`, or null before the interpreter allocated it.
template <typename State>
State* module_state(PyObject* module) noexcept {
    return static_cast<State*>(PyModule_GetState(module));
}

// The state of the module whose function type made `function`.
template <typename State>
State& module_state(const FunctionObject& function) {
    return *module_state<State>(PyType_GetModule(function.type()));
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
        state->~State();
    }
}

// The definition of a multi-phase module named `name` (no methods, no
// docstring) whose state is a `State`.
template <typename State>
constexpr PyModuleDef module_def_with_state(const char* name, PyModuleDef_Slot* slots) noexcept {
    static_assert(offsetof(State, python_types) == 0, "the module's PythonTypes must come first in its state");
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
