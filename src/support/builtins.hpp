// Telling the interpreter's own built-in functions from whatever replaced
// them.  A caller reads the builtin by name when it uses it (globals.hpp)
// and may then do what the genuine one would do without calling it, when
// that is exactly the same; anything else of that name is called.
#pragma once

#include "support/abi.hpp"

namespace support {

// Defined at namespace scope only, like a Name (interned.hpp): each module
// object finds the genuine function's C code in its exec slot.
class Builtin {
public:
    explicit Builtin(const char* name) noexcept : index_(detail::register_builtin(name)) {}
    Builtin(const Builtin&) = delete;
    Builtin& operator=(const Builtin&) = delete;

    // Whether `callable` is the built-in function of that name of the
    // module `builtins`: a built-in function object running its C code.
    bool is(const ModuleStrings& strings, PyObject* callable) const noexcept {
        if (!PyCFunction_Check(callable)) {
            return false;
        }
        const BuiltinCode code = strings.builtin(index_);
        return code != nullptr && cfunction_of(callable) == code;
    }

private:
    std::size_t index_;
};

}  // namespace support
