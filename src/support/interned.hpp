// The str constants of this code (attribute, global and keyword names,
// separators), one interned str per module object.
//
// A constant is written where it is used, as `names::text` or
// `const Name key("__module__")` at namespace scope: a small
// descriptor that the library numbers when it is loaded.  Each module
// object interns every numbered text in its exec slot, into a table of its
// own state (`ModuleStrings`), so that no Python object of one interpreter,
// or of one module object, is ever seen by another.  A constant is read
// through the table of the module whose code runs, given explicitly:
// `strings[names::text]`.  Every function carries its module
// (FunctionObject::base), every object of a module's types reaches a
// function of it, and the exec slot has its state, so the table never
// depends on which calls are in progress on a thread (a greenlet may
// leave one call and resume another on the same stack).
//
// Any two tables of one interpreter hold the same objects (a text interns
// to one str per interpreter), so the constants' values never depend on
// which module object of an interpreter reads them; what is per module
// object besides is each module's own (its global look-up cache,
// module_state.hpp).
#pragma once

#include "support/ref.hpp"

#include <cstddef>
#include <memory>

namespace support {

// The genuine built-in functions some code recognises (builtins.hpp), found
// once per module object, by their C code.
using BuiltinCode = PyCFunction;

class InternedStr;

// One module object's interned str per constant, and its genuine builtins.
class ModuleStrings {
public:
    // Interns every constant of the library and finds every recognised
    // builtin, in the running interpreter (the exec slot).
    void make();
    void clear() noexcept;

    PyObject* str(std::size_t index) const noexcept { return strings_[index].get(); }
    // The constant's object in this table (borrowed).
    PyObject* operator[](const InternedStr& constant) const noexcept;
    BuiltinCode builtin(std::size_t index) const noexcept { return builtins_[index]; }

private:
    std::unique_ptr<Ref[]> strings_;
    std::unique_ptr<BuiltinCode[]> builtins_;
};

namespace detail {
// Numbers a constant or a recognised builtin when the library is loaded.
std::size_t register_text(const char* text) noexcept;
std::size_t register_builtin(const char* name) noexcept;
}  // namespace detail

// A str constant of this code.  Defined at namespace scope only (numbered
// when the library is loaded, before any module object exists).
class InternedStr {
public:
    explicit InternedStr(const char* text) noexcept : text_(text), index_(detail::register_text(text)) {}
    InternedStr(const InternedStr&) = delete;
    InternedStr& operator=(const InternedStr&) = delete;

    const char* text() const noexcept { return text_; }
    std::size_t index() const noexcept { return index_; }

private:
    const char* text_;
    std::size_t index_;
};

// An identifier: an attribute, global or keyword name.  A name read as a
// module global has a slot in its module's global look-up cache
// (globals.hpp), by its index.
class Name : public InternedStr {
public:
    using InternedStr::InternedStr;
};

// Any other str constant: a separator, the empty format string.
class StrConstant : public InternedStr {
public:
    using InternedStr::InternedStr;
};

inline PyObject* ModuleStrings::operator[](const InternedStr& constant) const noexcept { return str(constant.index()); }

// How many constants the library has (the size of a global look-up cache).
std::size_t text_count() noexcept;

}  // namespace support
