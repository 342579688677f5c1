// Per-module state of `gui.main`.
#pragma once

#include "support/module_state.hpp"

#include <cstdint>

namespace gui_main {

struct ModuleState {
    support::ModuleBase base;  // first (see support/module_state.hpp)
    support::Ref function_type;
    // What each dialog's last update showed (shown.cpp): a dict from the
    // dialog's address to (weak reference, engine text, control text).
    support::Ref shown;
    // The dialog whose text control the key handler has just read, while
    // it calls output, and the number of the ControlRead that set it
    // (shown.cpp, ControlRead).
    support::Ref control_read_for;
    std::uint64_t control_read_by = 0;
    std::uint64_t control_reads = 0;  // ControlReads made so far

    auto refs() { return std::tuple_cat(base.refs(), std::tie(function_type, shown, control_read_for)); }
};

// The state of the module that defined `function`.
inline ModuleState& state_of(const support::FunctionObject& function) {
    return support::module_state<ModuleState>(function);
}

}  // namespace gui_main
