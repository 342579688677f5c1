// The few places where the version-specific build and the Stable-ABI build
// (CMake option FETTLE_ABI3: Py_LIMITED_API, one binary for every
// interpreter from 3.12 on) reach the interpreter differently.
//
// The version-specific build uses the interpreter's inline accessors and
// macros (tuple and list items without a call, the type's own slots, the
// cell, method and staticmethod constructors).  The Stable ABI has only
// function forms of some and nothing for others; there the same helpers
// call the function forms, or the types themselves, reached through Python
// once per module (PythonTypes).  Everything else in the modules is written
// once, against these helpers.
#pragma once

#include "support/object.hpp"

#include <atomic>
#include <cstdint>
#include <tuple>
#include <vector>

#if defined(Py_LIMITED_API)
#define FETTLE_STABLE_ABI 1
// What the code may use is what the targeted Stable ABI version offers,
// not what the headers it is compiled against have.
#define FETTLE_API_VERSION Py_LIMITED_API
#else
#define FETTLE_STABLE_ABI 0
#define FETTLE_API_VERSION PY_VERSION_HEX
#endif

#if FETTLE_API_VERSION < 0x030C0000
#include <structmember.h>
#endif

namespace support {

inline constexpr bool stable_abi = FETTLE_STABLE_ABI != 0;

// Built for an interpreter without the GIL (3.13t and later).
#if defined(Py_GIL_DISABLED)
inline constexpr bool free_threaded = true;
#else
inline constexpr bool free_threaded = false;
#endif

// Whether the running interpreter is `version` (a PY_VERSION_HEX value) or
// newer: fixed when the module is built for one interpreter, asked at run
// time in the Stable ABI (the module runs on every later one).
inline bool interpreter_at_least(unsigned long version) noexcept {
#if FETTLE_STABLE_ABI
    return Py_Version >= version;
#else
    return PY_VERSION_HEX >= version;
#endif
}

// --- tuples and lists: the caller guarantees the type and the index --------

// The function forms report an error by -1 or null.
inline Py_ssize_t checked_size(Py_ssize_t size) {
    if (size < 0) {
        throw_error();
    }
    return size;
}

inline PyObject* checked_item(PyObject* item) {
    if (item == nullptr) {
        throw_error();
    }
    return item;
}

inline Py_ssize_t tuple_size(PyObject* tuple) {
#if FETTLE_STABLE_ABI
    return checked_size(PyTuple_Size(tuple));
#else
    return PyTuple_GET_SIZE(tuple);
#endif
}

// A borrowed item.
inline PyObject* tuple_item(PyObject* tuple, Py_ssize_t index) {
#if FETTLE_STABLE_ABI
    return checked_item(PyTuple_GetItem(tuple, index));
#else
    return PyTuple_GET_ITEM(tuple, index);
#endif
}

// Fills a slot of a new tuple, taking over `item`.
inline void tuple_fill(PyObject* tuple, Py_ssize_t index, Ref item) {
#if FETTLE_STABLE_ABI
    check_status(PyTuple_SetItem(tuple, index, item.release()));
#else
    PyTuple_SET_ITEM(tuple, index, item.release());
#endif
}

// Fills a slot of a new list, taking over `item`.
inline void list_fill(PyObject* list, Py_ssize_t index, Ref item) {
#if FETTLE_STABLE_ABI
    check_status(PyList_SetItem(list, index, item.release()));
#else
    PyList_SET_ITEM(list, index, item.release());
#endif
}

// A new list of `items`, taking them over: gathered first where code of
// anyone else's runs in between, so that nobody ever sees the list before
// it is complete.
inline Ref new_list(std::vector<Ref>& items) {
    Ref list = check(PyList_New(static_cast<Py_ssize_t>(items.size())));
    for (std::size_t i = 0; i < items.size(); ++i) {
        list_fill(list.get(), static_cast<Py_ssize_t>(i), std::move(items[i]));
    }
    items.clear();
    return list;
}

inline Py_ssize_t list_size(PyObject* list) {
#if FETTLE_STABLE_ABI
    return checked_size(PyList_Size(list));
#else
    return PyList_GET_SIZE(list);
#endif
}

// An item, with a reference of the caller's own.  Without the GIL another
// thread may replace it in the list the moment it is read, so it is read
// with its reference in one step (3.13 on); an index another thread has
// since made too large raises IndexError, as list[index] would.
inline Ref list_item(PyObject* list, Py_ssize_t index) {
#if defined(Py_GIL_DISABLED)
    return check(PyList_GetItemRef(list, index));
#elif FETTLE_STABLE_ABI
    return Ref::borrow(checked_item(PyList_GetItem(list, index)));
#else
    return Ref::borrow(PyList_GET_ITEM(list, index));
#endif
}

// The item at `index` while the list is that long, else null: a step of
// the list's own iterator, which reads the length again at every step
// (code run in between, or another thread, may change the list).
inline Ref list_item_or_end(PyObject* list, Py_ssize_t index) {
#if defined(Py_GIL_DISABLED)
    Ref item = Ref::steal(PyList_GetItemRef(list, index));
    if (!item) {
        if (!PyErr_ExceptionMatches(PyExc_IndexError)) {
            throw_error();
        }
        PyErr_Clear();
    }
    return item;
#else
    return index < list_size(list) ? list_item(list, index) : Ref();
#endif
}

// The items of a list as they are at one moment, each alive for as long as
// this lives, read as borrowed.  With the GIL no other thread runs while
// the caller runs no Python code, so the list itself is read; without it
// another thread may change the list, and free an item it drops, at any
// moment, so the items are copied, under the list's lock, into a tuple
// that holds them.
class ListSnapshot {
public:
#if defined(Py_GIL_DISABLED)
    explicit ListSnapshot(PyObject* list) : items_(check(PyList_AsTuple(list))) {}
    Py_ssize_t size() const { return tuple_size(items_.get()); }
    PyObject* operator[](Py_ssize_t index) const { return tuple_item(items_.get(), index); }
#else
    explicit ListSnapshot(PyObject* list) : items_(Ref::borrow(list)) {}
    Py_ssize_t size() const { return list_size(items_.get()); }
#if FETTLE_STABLE_ABI
    PyObject* operator[](Py_ssize_t index) const { return checked_item(PyList_GetItem(items_.get(), index)); }
#else
    PyObject* operator[](Py_ssize_t index) const { return PyList_GET_ITEM(items_.get(), index); }
#endif
#endif

private:
    Ref items_;
};

// dict[key] as a reference of the caller's own, or null (no error) when the
// key is missing.  Without the GIL another thread may replace the value the
// moment it is found, so it is taken with a reference in the same step
// (3.13 on); with the GIL the borrowed value is safe until the caller runs
// code of anyone else's, and a reference is taken at once.
inline Ref dict_get_item(PyObject* dict, PyObject* key) {
#if FETTLE_API_VERSION >= 0x030D0000
    PyObject* value = nullptr;
    check_status(PyDict_GetItemRef(dict, key, &value));
    return Ref::steal(value);
#else
    PyObject* value = PyDict_GetItemWithError(dict, key);
    if (value == nullptr && PyErr_Occurred()) {
        throw_error();
    }
    return Ref::borrow(value);
#endif
}

// Whether every key of an exact dict is an exact str, so that a look-up
// of an exact str in it runs no code but the dict's own (a key of any
// other type, a str subclass too, may define its own __eq__).  A key can
// only come in with a modification, which changes the dict's version.
// Without the GIL the caller holds the dict's lock, which its iteration
// needs.
bool str_keys_only(PyObject* dict);

// obj[index], for an index the code gives.  An exact tuple or list answers
// with its item, as the interpreter's own subscript of them does (no
// subclass could have changed it); any other object is asked with an int
// (object.cpp).  Inline: the candidates' sort key and walk take it per item.
Ref getitem_asking(PyObject* obj, Py_ssize_t index);
inline Ref getitem(PyObject* obj, Py_ssize_t index) {
    if (index >= 0) {
        if (PyTuple_CheckExact(obj) && index < tuple_size(obj)) {
            return Ref::borrow(tuple_item(obj, index));
        }
        if (PyList_CheckExact(obj) && index < list_size(obj)) {
            return list_item(obj, index);
        }
    }
    return getitem_asking(obj, index);
}

// len(text) for a str.
inline Py_ssize_t str_length(PyObject* text) {
#if FETTLE_STABLE_ABI
    return checked_size(PyUnicode_GetLength(text));
#else
    return PyUnicode_GET_LENGTH(text);
#endif
}

// --- ints and attributes ------------------------------------------------------

// obj.name = value: the type's own setattro, called as PyObject_SetAttr
// calls it once it has interned the name, which a Name already is.  The
// Stable ABI does not show the slot without a call of its own; there, and
// for a type without the slot (whose error PyObject_SetAttr words), the
// generic call.
inline void set_attribute(PyObject* obj, PyObject* name, PyObject* value) {
#if !FETTLE_STABLE_ABI
    if (const setattrofunc set = Py_TYPE(obj)->tp_setattro) {
        check_status(set(obj, name, value));
        return;
    }
#endif
    check_status(PyObject_SetAttr(obj, name, value));
}

// --- the type's own slots ---------------------------------------------------

// A new instance of `type`, through its allocation slot (for heap types
// built from a slot table, whose instances are not made by calling them).
inline Ref allocate(PyTypeObject* type) {
#if FETTLE_STABLE_ABI
    auto alloc = reinterpret_cast<allocfunc>(PyType_GetSlot(type, Py_tp_alloc));
    return check(alloc(type, 0));
#else
    return check(type->tp_alloc(type, 0));
#endif
}

// Gives the memory of `self`, an instance of `type`, back (in tp_dealloc).
inline void free_instance(PyTypeObject* type, PyObject* self) noexcept {
#if FETTLE_STABLE_ABI
    reinterpret_cast<freefunc>(PyType_GetSlot(type, Py_tp_free))(self);
#else
    type->tp_free(self);
#endif
}

// The type's next-item slot (tp_iternext), or null.
inline iternextfunc iternext_slot(PyTypeObject* type) noexcept {
#if FETTLE_STABLE_ABI
    return reinterpret_cast<iternextfunc>(PyType_GetSlot(type, Py_tp_iternext));
#else
    return type->tp_iternext;
#endif
}

// The C function of a built-in function object (a PyCFunction_Check one).
inline PyCFunction cfunction_of(PyObject* function) noexcept {
#if FETTLE_STABLE_ABI
    return PyCFunction_GetFunction(function);
#else
    return PyCFunction_GET_FUNCTION(function);
#endif
}

// The type's name as the interpreter's own messages show it (tp_name):
// "int", "collections.OrderedDict", "itertools.count", a class statement's
// "Name".  The Stable ABI does not show tp_name; there it is made again
// from the type's __module__ and __name__ the way the interpreter derives
// those from it (support/abi.cpp).  The one type it cannot tell apart is a
// mutable heap type whose slot-table name is dotted (no class statement
// makes one, nor the standard library): there it gives the bare name.
Ref type_name(PyTypeObject* type);

// type(obj).__name__ as the interpreter's messages show it.
inline Ref type_name_of(PyObject* obj) { return type_name(Py_TYPE(obj)); }

// The dict of a class itself (its __dict__ without the mappingproxy), new
// reference.  From 3.12 a builtin type's tp_dict may be empty, its dict
// kept per interpreter, where PyType_GetDict finds it.  Used only where
// type_versions (below) holds, which the Stable ABI never does.
#if !FETTLE_STABLE_ABI
inline Ref type_dict(PyTypeObject* type) {
#if PY_VERSION_HEX >= 0x030C0000
    return check(PyType_GetDict(type));
#else
    return Ref::borrow(type->tp_dict);  // set on every ready type
#endif
}
#endif

// --- member definitions (PyMemberDef) --------------------------------------

#if FETTLE_API_VERSION >= 0x030C0000
inline constexpr int member_ssize_t = Py_T_PYSSIZET;
inline constexpr int member_readonly = Py_READONLY;
#else
inline constexpr int member_ssize_t = T_PYSSIZET;
inline constexpr int member_readonly = READONLY;
#endif

// --- telling that a dict or a type is unchanged -------------------------------
//
// Each module object has a DictVersions, for the global look-up's cache
// (globals.hpp), and a TypeVersions, for its own class (own_class.hpp):
// `version(object)` of an object that `track(object)` accepted changes
// whenever the object is modified (for a type: an attribute set or deleted
// on it or on a class of its MRO, its bases replaced; for a dict, also when
// it is freed), so two equal versions of the same object (by identity)
// mean that it has not been modified in between.  Where `dict_versions` or
// `type_versions` is false there is no such means and nothing is cached.

// No means at all: nothing is ever tracked.
template <typename Object>
class Unversioned {
public:
    void start() noexcept {}
    void stop() noexcept {}
    std::uint64_t version(Object*) const noexcept { return 0; }
    bool track(Object*) noexcept { return false; }
};

// Whether the interpreter's watchers can tell this library's caches of
// every change: from 3.12 with the GIL; without it from 3.14, whose
// watchers are registered and called thread-safely, and which has the
// means of taking a reference to an object another thread may be freeing
// (`reference_if_alive`, below).  3.13t has neither, and caches nothing.
#if !FETTLE_STABLE_ABI && PY_VERSION_HEX >= 0x030C0000 && \
    (!defined(Py_GIL_DISABLED) || PY_VERSION_HEX >= 0x030E0000)
#define FETTLE_WATCHERS 1
#else
#define FETTLE_WATCHERS 0
#endif

// The order of a watcher's count, read against its callback's increment.
// With the GIL the interpreter orders an event before any later read.
// Without it the callback runs on the modifying thread, before the
// modification: a reader that sees the count unchanged (acquire, against
// the callback's release) sees nothing that came after it.
inline constexpr std::memory_order count_read_order =
    free_threaded ? std::memory_order_acquire : std::memory_order_relaxed;
inline constexpr std::memory_order count_write_order =
    free_threaded ? std::memory_order_release : std::memory_order_relaxed;

#if FETTLE_WATCHERS
// 3.12 on: the interpreter's watcher of dicts (Object is PyObject) or of
// types (PyTypeObject) that this library takes once per interpreter, and
// that counts every event of every object it watches: each tracked
// object's version is that count (support/watchers.cpp).
template <typename Object>
class Watched {
public:
    // Takes the running interpreter's watcher, or finds the one a module
    // object of this library took there before.
    void start() noexcept;
    // Stops reading it (the module object is freed); the watcher stays the
    // interpreter's, for the library's next module object there.
    void stop() noexcept;
    // 0 (never a tracked version) while no watcher is taken.
    std::uint64_t version(Object*) const noexcept { return events_->load(count_read_order); }
    // Watches `object`; false (no error set) when there is no watcher, or,
    // for a type, when the interpreter could not promise to tell of its
    // next modification.
    bool track(Object* object) noexcept;

private:
    static constexpr std::atomic<std::uint64_t> no_events{0};
    // The watcher's id + 1; 0 for none.
    int watcher_ = 0;
    // Its count of events, which starts at 1.
    const std::atomic<std::uint64_t>* events_ = &no_events;
};
extern template class Watched<PyObject>;
extern template class Watched<PyTypeObject>;
#endif

#if FETTLE_STABLE_ABI || (defined(Py_GIL_DISABLED) && !FETTLE_WATCHERS)
// The Stable ABI shows neither a dict's or type's version nor their
// watchers, nor the type's slots.  3.13 without the GIL has watchers that
// are not thread-safe, and no means of taking a reference to a cached
// object another thread may free meanwhile: every look-up is made again.
inline constexpr bool dict_versions = false;
inline constexpr bool type_versions = false;
using DictVersions = Unversioned<PyObject>;
using TypeVersions = Unversioned<PyTypeObject>;
#elif PY_VERSION_HEX < 0x030C0000
// 3.11: the dict's version tag (PEP 509), a field of the dict's public
// struct that every modification sets to a new value of one counter of the
// interpreter, as is a new dict's; from 3.12 it is deprecated, and the
// watchers take its place.
inline constexpr bool dict_versions = true;
class DictVersions {
public:
    void start() noexcept {}
    void stop() noexcept {}
    std::uint64_t version(PyObject* dict) const noexcept {
        return reinterpret_cast<PyDictObject*>(dict)->ma_version_tag;
    }
    bool track(PyObject*) noexcept { return true; }
};
// 3.11 has no type watchers.  Its exact means is the type's version tag, a
// field of the type's public struct: the interpreter gives a type a new
// tag from one counter that only grows (never handing a tag out twice),
// and whatever modifies the type (PyType_Modified, also run for every
// subclass of a modified class) clears the tag to 0, together with the
// flag Py_TPFLAGS_VALID_VERSION_TAG.  A type accepted only while it has a
// valid tag (whose MRO then has valid tags too, given first) therefore
// keeps that tag until it is modified, and never finds it again after.
inline constexpr bool type_versions = true;
class TypeVersions {
public:
    void start() noexcept {}
    void stop() noexcept {}
    std::uint64_t version(PyTypeObject* type) const noexcept { return type->tp_version_tag; }
    bool track(PyTypeObject* type) noexcept {
        return PyType_HasFeature(type, Py_TPFLAGS_VALID_VERSION_TAG) && type->tp_version_tag != 0;
    }
};
#else
inline constexpr bool dict_versions = true;
inline constexpr bool type_versions = true;
using DictVersions = Watched<PyObject>;
using TypeVersions = Watched<PyTypeObject>;
#endif

// --- fields threads may race on ------------------------------------------
//
// A field of one of our objects that another thread may read or change at
// the same moment: only without the GIL, where it is atomic (acquire and
// release, so that what a thread wrote before releasing a claim is seen by
// the next to claim); with the GIL, a plain field.
template <typename T>
class ThreadShared {
public:
    constexpr ThreadShared() noexcept = default;
    constexpr explicit ThreadShared(T value) noexcept : value_(value) {}

#if defined(Py_GIL_DISABLED)
    T load() const noexcept { return value_.load(std::memory_order_acquire); }
    void store(T value) noexcept { value_.store(value, std::memory_order_release); }
    // Replaces `expected` by `desired`; false, with `expected` updated to
    // what it found, when another thread got there first.
    bool replace(T& expected, T desired) noexcept {
        return value_.compare_exchange_strong(expected, desired, std::memory_order_acq_rel,
                                              std::memory_order_acquire);
    }

private:
    std::atomic<T> value_{};
#else
    T load() const noexcept { return value_; }
    void store(T value) noexcept { value_ = value; }
    bool replace(T& expected, T desired) noexcept {
        if (value_ != expected) {
            expected = value_;
            return false;
        }
        value_ = desired;
        return true;
    }

private:
    T value_{};
#endif
};

// An object's own lock, held for the scope's lifetime: what the interpreter
// takes around a read or change of its own objects' fields without the GIL
// (a critical section, released while the thread waits on anything else).
// With the GIL there is nothing to take.
class Locked {
public:
#if defined(Py_GIL_DISABLED)
    explicit Locked(PyObject* object) noexcept { PyCriticalSection_Begin(&section_, object); }
    ~Locked() { PyCriticalSection_End(&section_); }
#else
    explicit Locked(PyObject*) noexcept {}
#endif
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

private:
#if defined(Py_GIL_DISABLED)
    PyCriticalSection section_;
#endif
};

// Two objects' locks at once (taken in an order of the interpreter's, so
// that two threads taking the same two never wait on each other).
class LockedPair {
public:
#if defined(Py_GIL_DISABLED)
    LockedPair(PyObject* first, PyObject* second) noexcept { PyCriticalSection2_Begin(&section_, first, second); }
    ~LockedPair() { PyCriticalSection2_End(&section_); }
#else
    LockedPair(PyObject*, PyObject*) noexcept {}
#endif
    LockedPair(const LockedPair&) = delete;
    LockedPair& operator=(const LockedPair&) = delete;

private:
#if defined(Py_GIL_DISABLED)
    PyCriticalSection2 section_;
#endif
};

// Several ThreadShared fields that are read as one (a sequence lock): a
// writer claims the sequence (odd while it writes), writes the fields and
// releases it (even again); a reader notes the sequence, reads the fields
// and finds it unchanged, or knows that it may have read a mixture.  Only
// one writer at a time: one that finds another at work leaves it be.  The
// fields are read with acquire, so that a reader that saw any field of a
// write also sees the claim that began it when it reads the sequence
// again.  With the GIL nothing runs between the reads: nothing to do.
class Sequence {
public:
#if defined(Py_GIL_DISABLED)
    std::uint32_t begin_read() const noexcept { return count_.load(std::memory_order_acquire); }
    bool read_whole(std::uint32_t begun) const noexcept {
        return (begun & 1) == 0 && count_.load(std::memory_order_relaxed) == begun;
    }
    bool claim(std::uint32_t& claimed) noexcept {
        std::uint32_t count = count_.load(std::memory_order_relaxed);
        if ((count & 1) != 0 ||
            !count_.compare_exchange_strong(count, count + 1, std::memory_order_acq_rel, std::memory_order_relaxed)) {
            return false;
        }
        claimed = count + 1;
        return true;
    }
    void release(std::uint32_t claimed) noexcept { count_.store(claimed + 1, std::memory_order_release); }

private:
    std::atomic<std::uint32_t> count_{0};
#else
    std::uint32_t begin_read() const noexcept { return 0; }
    bool read_whole(std::uint32_t) const noexcept { return true; }
    bool claim(std::uint32_t&) noexcept { return true; }
    void release(std::uint32_t) noexcept {}
#endif
};

// A lock for a few writes of our own fields (never held while any Python
// code runs, which could take it again); nothing with the GIL.
class Mutex {
public:
#if defined(Py_GIL_DISABLED)
    void lock() noexcept { PyMutex_Lock(&mutex_); }
    void unlock() noexcept { PyMutex_Unlock(&mutex_); }

private:
    PyMutex mutex_{};
#else
    void lock() noexcept {}
    void unlock() noexcept {}
#endif
};

// A reference to an object a cache borrowed from a dict, or null when the
// object is being freed.  Without the GIL another thread may drop the
// dict's reference, and free the object, between the moment the cache was
// found valid and this: the reference is taken only while the count is
// not yet zero (the object's memory stays the interpreter's object memory
// meanwhile), and the caller then finds the cache still valid, or drops it
// (the memory may by then hold another object).  An object is cached
// only after `allow_reference_if_alive`, without which taking one may fail
// for no reason.  With the GIL the dict's reference holds until the
// caller runs Python code.
inline Ref reference_if_alive(PyObject* object) noexcept {
#if defined(Py_GIL_DISABLED) && FETTLE_WATCHERS
    return PyUnstable_TryIncRef(object) ? Ref::steal(object) : Ref();
#else
    return Ref::borrow(object);
#endif
}

inline void allow_reference_if_alive([[maybe_unused]] PyObject* object) noexcept {
#if defined(Py_GIL_DISABLED) && FETTLE_WATCHERS
    PyUnstable_EnableTryIncRef(object);
#endif
}

// Without the GIL, an object every thread uses (our functions) costs a
// contended atomic write of its shared count for each reference the
// interpreter takes; with deferred counting its frames take none, and
// the object is freed by the collector alone, as the interpreter does for
// its own functions.  Nothing to do with the GIL.
inline void defer_reference_counts([[maybe_unused]] PyObject* object) noexcept {
#if defined(Py_GIL_DISABLED) && FETTLE_WATCHERS
    PyUnstable_Object_EnableDeferredRefcount(object);
#endif
}

// --- cells, bound methods, staticmethod -------------------------------------

// The contents of a cell, or null when it is empty.
Ref cell_contents(PyObject* cell);

// The types a module makes instances of without a Stable-ABI constructor.
// Each module keeps one in its state, loaded by its exec slot; the state
// is laid out with it first (see `python_types_of`).  In the
// version-specific build it holds nothing.
class PythonTypes {
public:
    // types.CellType, types.MethodType and staticmethod, looked up now.
    void load();

    // An empty cell, as a class statement makes for `__class__`.
    Ref new_cell() const;
    // function bound to `self`: types.MethodType(function, self).
    Ref bound_method(PyObject* function, PyObject* self) const;
    // staticmethod(function).
    Ref static_method(PyObject* function) const;

    // For the module's traverse and clear.
    int traverse(visitproc visit, void* arg) const;
    void clear() noexcept;

    // The references held, in the order traverse visits them.
    auto refs() noexcept {
#if FETTLE_STABLE_ABI
        return std::tie(cell_type_, method_type_, staticmethod_type_);
#else
        return std::tuple<>();
#endif
    }

private:
#if FETTLE_STABLE_ABI
    Ref cell_type_;
    Ref method_type_;
    Ref staticmethod_type_;
#endif
};

// The PythonTypes of the module that made `type` (a heap type the module
// built from its slot table, by a module whose state begins with its
// PythonTypes: see support/module_state.hpp).
#if FETTLE_STABLE_ABI
const PythonTypes& python_types_of(PyTypeObject* type);
#else
inline const PythonTypes& python_types_of(PyTypeObject*) noexcept {
    static constexpr PythonTypes none{};
    return none;
}
#endif

}  // namespace support
