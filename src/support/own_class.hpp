// What a module knows of its own class, while the class is as its class
// statement made it: the interpreter's specialised attribute access and
// method calls on instances of a class it knows, done for ours with the
// same exactness.
//
// The class statement's class is registered with the names its instances
// keep in their __dict__ (`plain`: no class along the MRO defines them)
// and the methods that are the module's own functions.  Whenever an exact
// instance of it is used and the class is unmodified since these facts
// were last checked (TypeVersions, support/abi.hpp), then:
//   - self.name for a plain name is exactly the instance __dict__'s item
//     (else the generic look-up, which raises the AttributeError), and
//     self.name = value exactly the __dict__'s item set: with no data
//     descriptor along the MRO and the generic getattro and setattro of
//     `object`, that is all PyObject_GenericGetAttr/SetAttr would do;
//   - self.method() for one of ours, absent from the instance __dict__,
//     is our own function called with self, so its C body runs directly.
// Anything else (a subclass instance, a __class__ reassigned, the class
// or a class of its MRO modified, a name the instance __dict__ shadows)
// takes the generic path, and a modified class is checked again on its
// next use.  The instance __dict__ is read at every use, so one replaced
// or cleared is seen at once.
#pragma once

#include "support/abi.hpp"
#include "support/function.hpp"

#include <array>
#include <span>

namespace support {

// A method of the class whose body is `def` (a function of the module).
struct OwnMethod {
    const Name& name;
    const FunctionDef& def;
};

// PyObject_GenericGetAttr's AttributeError for `name` on `self`.
[[noreturn]] void raise_no_attribute(PyObject* self, PyObject* name, const ModuleStrings& strings);

class OwnClass {
public:
    static constexpr std::size_t max_methods = 4;

    // Registers `type` (in the exec slot, once its class statement has
    // run), and starts `versions` (a module without an own class takes no
    // watcher from the interpreter's few).
    void make(PyObject* type, PyObject* function_type, std::span<const Name* const> plain,
              std::span<const OwnMethod> methods, TypeVersions& versions, const ModuleStrings& strings);

    // The instance __dict__ of `self` when self is an exact instance and the
    // facts above hold; else null.
    Ref dict_of(PyObject* self, TypeVersions& versions) {
        if constexpr (type_versions) {
            PyTypeObject* type = Py_TYPE(self);
            if (type == reinterpret_cast<PyTypeObject*>(type_.get()) &&
                (versions.version(type) == known_.load() || recheck(versions))) {
                return check(PyObject_GenericGetDict(self, nullptr));
            }
        }
        return {};
    }

    // Our function of `name` (one of the registered methods) that the
    // class had when dict_of last answered.  Borrowed from `held_`, which
    // keeps every function ever found until the module is cleared: the
    // class may lose it (to code the caller runs, or to another thread)
    // while its body still runs, and taking a reference of the caller's
    // own would make every call of every thread write the one count.
    FunctionObject& method(const Name& name) const noexcept;

    bool knows_plain(const Name& name) const noexcept;

    auto refs() noexcept { return std::tie(type_, held_); }

private:
    using Found = std::array<Ref, max_methods>;

    // Checks the facts again, at the type's current version.
    bool recheck(TypeVersions& versions);
    bool holds(PyTypeObject* type, Found& found);
    // Makes `found` the methods (when `facts`) or the version refused,
    // unless the class changed since `version`; false when it did, or when
    // the methods could not be held.
    bool publish(bool facts, const Found& found, std::uint64_t version, TypeVersions& versions);

    Ref type_;
    PyObject* function_type_ = nullptr;  // borrowed: the module's state holds it
    const ModuleStrings* strings_ = nullptr;  // the module's, in the same state
    std::span<const Name* const> plain_;
    std::span<const OwnMethod> methods_;
    std::array<ThreadShared<FunctionObject*>, max_methods> found_{};
    Ref held_;  // a list: every function ever in found_
    // Without the GIL any thread may find the facts again: one at a time
    // makes them the known ones, and only for a version still current.
    Mutex publishing_;
    // The version at which the facts were found to hold, or not to hold
    // (checked once per version); `none` for neither.  Without the GIL a
    // reader that finds known_ current reads the methods published for
    // it, or by a publication for a version at least as recent: either
    // way methods the class had at a moment since its check.  A version
    // of 0 is never valid (3.11's tag of a type nothing has looked up yet,
    // or one modified since), so `none` is not 0: it is a value no version
    // takes (3.11's tags have 32 bits, the watchers' count starts at 1 and
    // grows by one per event), and the test in dict_of stays one compare.
    static constexpr std::uint64_t none = ~std::uint64_t{0};
    ThreadShared<std::uint64_t> known_{none};
    ThreadShared<std::uint64_t> refused_{none};
};

}  // namespace support
