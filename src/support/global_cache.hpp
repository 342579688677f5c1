// A module object's cache of its global look-ups (globals.hpp).
#pragma once

#include "support/abi.hpp"

#include <memory>

namespace support {

// Where a module global or builtin was found by its last look-up, and the
// versions of the two dicts then: while both are the same, unmodified
// dicts, the look-up would find the same object again.  `value` is
// borrowed from the dict that holds it, which keeps it alive for as long
// as the dict stays unmodified.  Empty while `globals` is null.
struct GlobalSlot {
    PyObject* globals = nullptr;
    PyObject* builtins = nullptr;
    std::uint64_t globals_version = 0;
    std::uint64_t builtins_version = 0;
    PyObject* value = nullptr;
};

// One slot per Name of the library (by its index), and the means of
// telling that a dict is unchanged.  Nothing is kept where dict_versions
// is false.
class GlobalCache {
public:
    void make() {
        if constexpr (dict_versions) {
            slots_ = allocating([] { return std::make_unique<GlobalSlot[]>(text_count()); });
            versions_.start();
        }
    }
    void clear() noexcept {
        versions_.stop();
        slots_.reset();
    }

    GlobalSlot& slot(const Name& name) noexcept { return slots_[name.index()]; }
    DictVersions& versions() noexcept { return versions_; }

private:
    std::unique_ptr<GlobalSlot[]> slots_;
    DictVersions versions_;
};

}  // namespace support
