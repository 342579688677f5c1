#include "support/builtins.hpp"

#include <cstring>

namespace support {
namespace {

// The C function the builtins module's definition gives `name`, or null.
PyCFunction genuine_builtin(const char* name) noexcept {
    Ref module = Ref::steal(PyImport_ImportModule("builtins"));
    PyModuleDef* definition = module ? PyModule_GetDef(module.get()) : nullptr;
    if (definition == nullptr) {
        PyErr_Clear();
        return nullptr;
    }
    for (const PyMethodDef* method = definition->m_methods; method != nullptr && method->ml_name != nullptr;
         ++method) {
        if (std::strcmp(method->ml_name, name) == 0) {
            return method->ml_meth;
        }
    }
    return nullptr;
}

}  // namespace

void Builtin::search() const noexcept {
    function_ = genuine_builtin(name_);
    searched_ = true;
}

}  // namespace support
