// Per-module state of `fettler`: the heap types made in the exec slot and
// the sort key shared by every engine.
#pragma once

#include "support/abi.hpp"
#include "support/function.hpp"

#include <cstddef>

namespace fettler {

struct ModuleState {
    support::PythonTypes python_types;  // first: support::python_types_of finds it there
    support::Ref function_type;
    support::Ref generator_type;
    support::Ref candidate_key;  // lambda c: c[0]
    support::Ref cycle_type;     // itertools.cycle, as imported
};
static_assert(offsetof(ModuleState, python_types) == 0);

// The state of the module that defined `function`.
ModuleState& state_of(const support::FunctionObject& function);

}  // namespace fettler
