// A module object's cache of its global look-ups (globals.hpp).
#pragma once

#include "support/abi.hpp"

#include <memory>

namespace support {

// Where a module global or builtin was found by its last look-up, and the
// versions of the two dicts then: while both are the same, unmodified
// dicts, the look-up would find the same object again.  The value is
// borrowed from the dict that holds it, which keeps it alive for as long
// as the dict stays unmodified.  Without the GIL every thread reads and
// fills the slots of its module object at once: the fields are read as
// one (Sequence), and the value's reference is taken only while it is
// alive, the dicts found unmodified after it was taken.
class GlobalSlot {
public:
    // The value, with a reference of the caller's own, when the slot was
    // filled from these two dicts and neither has been modified since;
    // else null.
    Ref read(PyObject* globals, PyObject* builtins, const DictVersions& versions) const noexcept {
        const std::uint32_t begun = sequence_.begin_read();
        PyObject* const value = value_.load();
        const std::uint64_t globals_version = globals_version_.load();
        const std::uint64_t builtins_version = builtins_version_.load();
        // The dicts compared by identity first: a version is asked only of
        // a dict the slot was filled from (the caller's function holds it).
        if (value == nullptr || globals_.load() != globals || builtins_.load() != builtins ||
            !sequence_.read_whole(begun)) {
            return {};
        }
        auto unmodified = [&] {
            return globals_version == versions.version(globals) && builtins_version == versions.version(builtins);
        };
        if (!unmodified()) {
            return {};
        }
        Ref held = reference_if_alive(value);
        if constexpr (free_threaded) {
            if (!held || !unmodified()) {
                return {};
            }
        }
        return held;
    }

    // Remembers `value`, found in these dicts at these versions (read with
    // the look-up, under both dicts' locks); left as it is while another
    // thread fills it.
    void fill(PyObject* globals, PyObject* builtins, std::uint64_t globals_version, std::uint64_t builtins_version,
              PyObject* value) noexcept {
        std::uint32_t claimed = 0;
        if (!sequence_.claim(claimed)) {
            return;
        }
        allow_reference_if_alive(value);
        globals_.store(globals);
        builtins_.store(builtins);
        globals_version_.store(globals_version);
        builtins_version_.store(builtins_version);
        value_.store(value);
        sequence_.release(claimed);
    }

private:
    Sequence sequence_;
    ThreadShared<PyObject*> globals_;
    ThreadShared<PyObject*> builtins_;
    ThreadShared<std::uint64_t> globals_version_;
    ThreadShared<std::uint64_t> builtins_version_;
    ThreadShared<PyObject*> value_;  // null while the slot is empty
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
    const GlobalSlot& slot(const Name& name) const noexcept { return slots_[name.index()]; }
    DictVersions& versions() noexcept { return versions_; }

private:
    std::unique_ptr<GlobalSlot[]> slots_;
    DictVersions versions_;
};

}  // namespace support
