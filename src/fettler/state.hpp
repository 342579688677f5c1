// Per-module state of `fettler`: the heap types made in the exec slot and
// the sort key the genuine sorted() is given.
#pragma once

#include "support/module_state.hpp"

namespace fettler {

struct ModuleState {
    support::ModuleBase base;  // first (see support/module_state.hpp)
    support::Ref function_type;
    support::Ref generator_type;
    // lambda c: c[0] as a built-in function, for the genuine sorted(),
    // which shows its key to nobody and calls it as it would the lambda
    // (anything else is given a lambda of its own at each call, as Python
    // makes one).
    support::Ref candidate_key_builtin;
    support::Ref cycle_type;  // itertools.cycle, as imported

    auto refs() {
        return std::tuple_cat(base.refs(), std::tie(function_type, generator_type, candidate_key_builtin, cycle_type));
    }
};

// The state of the module that defined `function`.
inline ModuleState& state_of(const support::FunctionObject& function) {
    return support::module_state<ModuleState>(function);
}

}  // namespace fettler
