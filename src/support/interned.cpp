#include "support/interned.hpp"

#include "support/error.hpp"

#include <cstring>
#include <exception>
#include <new>
#include <vector>

namespace support {
namespace {

// Filled while the library is loaded (static initialisation, one thread),
// read only afterwards: it holds the C texts, never a Python object.
std::vector<const char*>& texts() noexcept {
    static std::vector<const char*> registered;
    return registered;
}

std::vector<const char*>& builtin_names() noexcept {
    static std::vector<const char*> registered;
    return registered;
}

std::size_t append(std::vector<const char*>& registry, const char* text) noexcept {
    // Out of memory while the library is loaded: nothing sensible is left
    // to do, and the loader cannot be told.
    try {
        registry.push_back(text);
    } catch (const std::bad_alloc&) {
        std::terminate();
    }
    return registry.size() - 1;
}

// The C function the builtins module's definition gives `name`, or null.
// That code is the process's, whatever the interpreter; it is found in the
// module's method table, not in its namespace, where anything may stand.
BuiltinCode genuine_builtin(PyModuleDef* definition, const char* name) noexcept {
    for (const PyMethodDef* method = definition->m_methods; method != nullptr && method->ml_name != nullptr;
         ++method) {
        if (std::strcmp(method->ml_name, name) == 0) {
            return method->ml_meth;
        }
    }
    return nullptr;
}

}  // namespace

namespace detail {
std::size_t register_text(const char* text) noexcept { return append(texts(), text); }
std::size_t register_builtin(const char* name) noexcept { return append(builtin_names(), name); }
}  // namespace detail

std::size_t text_count() noexcept { return texts().size(); }

void ModuleStrings::make() {
    const std::vector<const char*>& all = texts();
    auto strings = allocating([&] { return std::make_unique<Ref[]>(all.size()); });
    for (std::size_t i = 0; i < all.size(); ++i) {
        strings[i] = check(PyUnicode_InternFromString(all[i]));
    }
    const std::vector<const char*>& wanted = builtin_names();
    auto builtins = allocating([&] { return std::make_unique<BuiltinCode[]>(wanted.size()); });
    Ref module = check(PyImport_ImportModule("builtins"));
    PyModuleDef* definition = PyModule_GetDef(module.get());
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        builtins[i] = definition != nullptr ? genuine_builtin(definition, wanted[i]) : nullptr;
    }
    strings_ = std::move(strings);
    builtins_ = std::move(builtins);
}

void ModuleStrings::clear() noexcept {
    strings_.reset();
    builtins_.reset();
}

}  // namespace support
