// The str constants of this code (attribute, global and keyword names,
// separators), one interned str per module object.
//
// A constant is written where it is used, as `names::text` or
// `const Name key("__module__")` at namespace scope: a small
// descriptor that the library numbers when it is loaded.  Each module
// object interns every numbered text in its exec slot, into a table of its
// own state (`ModuleStrings`), so that no Python object of one interpreter,
// or of one module object, is ever seen by another.  Which table a
// constant reads is the active one: every entry point from the interpreter
// into the module's code (a call of one of its functions, a slot of one of
// its types, the exec slot) makes its module's table active for as long as
// it runs (`ActiveModule`), and gives the previous one back on the way out,
// so that a call into another module object, or into another interpreter,
// from inside finds its own.
//
// Any two tables of one interpreter hold the same objects (a text interns
// to one str per interpreter), so the constants' values never depend on
// which module object of an interpreter is active; what is per module
// object besides is each module's own (its global look-up cache,
// module_state.hpp).
#pragma once

#include "support/ref.hpp"

#include <cassert>
#include <cstddef>
#include <memory>

// The active table is read by every use of a constant: one thread-local
// pointer that the loader places in the static TLS block, read without a
// call.  glibc keeps room there for libraries loaded later, and two
// pointers fit it many times.
#if defined(__GNUC__) && !defined(_WIN32)
#define FETTLE_FAST_TLS __attribute__((tls_model("initial-exec")))
#else
#define FETTLE_FAST_TLS
#endif

namespace support {

// The genuine built-in functions some code recognises (builtins.hpp), found
// once per module object, by their C code.
using BuiltinCode = PyCFunction;

// One module object's interned str per constant, and its genuine builtins.
class ModuleStrings {
public:
    // Interns every constant of the library and finds every recognised
    // builtin, in the running interpreter (the exec slot).
    void make();
    void clear() noexcept;

    PyObject* str(std::size_t index) const noexcept { return strings_[index].get(); }
    BuiltinCode builtin(std::size_t index) const noexcept { return builtins_[index]; }

private:
    std::unique_ptr<Ref[]> strings_;
    std::unique_ptr<BuiltinCode[]> builtins_;
};

namespace detail {
inline constinit thread_local FETTLE_FAST_TLS const ModuleStrings* active_strings = nullptr;

// Numbers a constant or a recognised builtin when the library is loaded.
std::size_t register_text(const char* text) noexcept;
std::size_t register_builtin(const char* name) noexcept;
}  // namespace detail

// The table of the module whose code is running on this thread.
inline const ModuleStrings& active_strings() noexcept {
    assert(detail::active_strings != nullptr && "a constant used outside any entry point of a module");
    return *detail::active_strings;
}

// Makes `strings` active for the scope's lifetime: put at every entry point.
class ActiveModule {
public:
    explicit ActiveModule(const ModuleStrings& strings) noexcept : previous_(detail::active_strings) {
        detail::active_strings = &strings;
    }
    ~ActiveModule() { detail::active_strings = previous_; }
    ActiveModule(const ActiveModule&) = delete;
    ActiveModule& operator=(const ActiveModule&) = delete;

private:
    const ModuleStrings* previous_;
};

// A str constant of this code.  Defined at namespace scope only (numbered
// when the library is loaded, before any module object exists).
class InternedStr {
public:
    explicit InternedStr(const char* text) noexcept : text_(text), index_(detail::register_text(text)) {}
    InternedStr(const InternedStr&) = delete;
    InternedStr& operator=(const InternedStr&) = delete;

    const char* text() const noexcept { return text_; }
    std::size_t index() const noexcept { return index_; }
    // The active module's object (borrowed from its table).
    PyObject* get() const noexcept { return active_strings().str(index_); }

private:
    const char* text_;
    std::size_t index_;
};

// An identifier: an attribute, global or keyword name.  The protocols that
// look a name up take only this kind; a name read as a module global has a
// slot in its module's global look-up cache (globals.hpp), by its index.
class Name : public InternedStr {
public:
    using InternedStr::InternedStr;
};

// Any other str constant: a separator, the empty format string.
class StrConstant : public InternedStr {
public:
    using InternedStr::InternedStr;
};

// How many constants the library has (the size of a global look-up cache).
std::size_t text_count() noexcept;

}  // namespace support
