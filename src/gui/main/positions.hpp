// Positions in the engine's text given as Python ints, read into C for the
// fast paths, where no Python code may run between the reads.
#pragma once

#include "support/ref.hpp"

#include <optional>

namespace gui_main {

// The value of an exact int small enough for sums of two to be exact in a
// long long (positions in a str are always far smaller); anything else is
// left to Python's own arithmetic.
inline std::optional<long long> small_int(PyObject* value) {
    if (!PyLong_CheckExact(value)) {
        return std::nullopt;
    }
    int overflow = 0;
    const long long result = PyLong_AsLongLongAndOverflow(value, &overflow);
    constexpr long long limit = 1LL << 60;
    if (overflow != 0 || result < -limit || result > limit) {
        return std::nullopt;
    }
    return result;
}

// A small int as a slice bound: clamped to Py_ssize_t as slicing clamps an
// int beyond it (a 32-bit Py_ssize_t cannot hold every small int, and a
// bound past the text's end must stay past it).
inline Py_ssize_t slice_bound(long long value) noexcept {
    return static_cast<Py_ssize_t>(value > PY_SSIZE_T_MAX   ? PY_SSIZE_T_MAX
                                   : value < PY_SSIZE_T_MIN ? PY_SSIZE_T_MIN
                                                            : value);
}

}  // namespace gui_main
