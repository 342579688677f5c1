// Per-module state of `fettler`: the heap types made in the exec slot and
// the sort key shared by every engine.
#pragma once

#include "support/function.hpp"

namespace fettler {

struct ModuleState {
    support::Ref function_type;
    support::Ref generator_type;
    support::Ref candidate_key;  // lambda c: c[0]
    support::Ref cycle_type;     // itertools.cycle, as imported
};

// The state of the module that defined `function`.
ModuleState& state_of(const support::FunctionObject& function);

}  // namespace fettler
