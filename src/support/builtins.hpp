// Telling the interpreter's own built-in functions from whatever replaced
// them.  A caller reads the builtin by name when it uses it (globals.hpp)
// and may then do what the genuine one would do without calling it, when
// that is exactly the same; anything else of that name is called.
#pragma once

#include "support/abi.hpp"

namespace support {

class Builtin {
public:
    constexpr explicit Builtin(const char* name) noexcept : name_(name) {}
    Builtin(const Builtin&) = delete;
    Builtin& operator=(const Builtin&) = delete;

    // Whether `callable` is the built-in function of that name of the
    // module `builtins`: a built-in function object running its C code.
    // That code is the one of the process, whatever the interpreter, so it
    // is found once, in the builtins module's own method table (not in its
    // namespace, where anything may stand by then).
    bool is(PyObject* callable) const noexcept {
        if (!PyCFunction_Check(callable)) {
            return false;
        }
        if (!searched_) [[unlikely]] {
            search();
        }
        return function_ != nullptr && cfunction_of(callable) == function_;
    }

private:
    void search() const noexcept;

    const char* name_;
    mutable PyCFunction function_ = nullptr;
    mutable bool searched_ = false;
};

}  // namespace support
