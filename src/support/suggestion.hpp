// The "Did you mean" of Python 3.13's error for an unexpected keyword
// argument, worked out as the interpreter works it out for a function
// defined in Python (its own routine is not part of the C API).
#pragma once

#include "support/ref.hpp"

#include <span>

namespace support {

// The candidate closest to `name` by the interpreter's edit distance
// (case changes cost half a move; at most about a third of the characters
// involved may change), or null for none.  Never raises: a name that
// cannot be encoded gets no suggestion, as in the interpreter.
Ref closest_name(PyObject* name, std::span<PyObject* const> candidates) noexcept;

}  // namespace support
