// The dict watcher and the type watcher of this library (3.12 on with the
// GIL, 3.14 on without): see DictVersions and TypeVersions in
// support/abi.hpp.
//
// A watcher's callback is told the event and the dict or type, nothing of
// whose watcher it is.  So each id an interpreter hands out (it has a few
// of each kind) gets a callback of its own, which counts into the counter
// of that id: a process-wide array, so that the callback reads nothing
// but its own code and cannot fail, and no event is ever lost.  Two
// interpreters that gave the library the same id share its counter, which
// only ever makes a cache look again.
//
// Each interpreter gives the library one watcher of each kind, however
// many module objects it makes there: the first takes it and notes its id
// in the interpreter's dict, under a key naming the library's counters
// (the two modules are two libraries), and the others find it there.  It stays taken
// until the interpreter ends (its callback is this library's code, which
// is never unloaded), so a module object freed and made again takes no
// other from the few an interpreter has; CPython's own optimiser uses some.
#include "support/abi.hpp"

#if FETTLE_WATCHERS

#include <array>
#include <atomic>
#include <utility>

namespace support {
namespace {

// The interpreter's limit on watchers of each kind.
constexpr int watcher_ids = 8;

// What differs between the two kinds of watcher, by the watched objects'
// type.
template <typename Object>
struct WatcherKind;

template <>
struct WatcherKind<PyObject> {
    using Callback = PyDict_WatchCallback;
    static constexpr const char* name = "dict";
    static int add(Callback callback) noexcept { return PyDict_AddWatcher(callback); }
    static int clear(int id) noexcept { return PyDict_ClearWatcher(id); }
    static bool watch(int id, PyObject* dict) noexcept { return PyDict_Watch(id, dict) == 0; }
};

template <>
struct WatcherKind<PyTypeObject> {
    using Callback = PyType_WatchCallback;
    static constexpr const char* name = "type";
    static int add(Callback callback) noexcept { return PyType_AddWatcher(callback); }
    static int clear(int id) noexcept { return PyType_ClearWatcher(id); }
    static bool watch(int id, PyTypeObject* type) noexcept {
        // The interpreter tells a type's watchers of a modification only
        // while the type has a version tag (it clears the tag as it tells
        // them), and gives it one again only when asked; asked here, the
        // next modification after this point is told.  (PyUnstable_: the
        // one public means to ask.)
        return PyType_Watch(id, reinterpret_cast<PyObject*>(type)) == 0 &&
               PyUnstable_Type_AssignVersionTag(type) == 1;
    }
};

using DictKind = WatcherKind<PyObject>;
using TypeKind = WatcherKind<PyTypeObject>;

// The counters, by watcher id; 0 is never a version.
static_assert(watcher_ids == 8);
template <typename Kind>
constinit std::atomic<std::uint64_t> events[watcher_ids] = {1, 1, 1, 1, 1, 1, 1, 1};

// With the GIL the interpreter orders the event before any later read of
// the count; without it, a release against the readers' acquire (abi.hpp).
// Another interpreter's reads of a shared count need no more, as its own
// objects have not changed.
template <typename Kind, int Id>
void count_event() noexcept {
    events<Kind>[Id].fetch_add(1, count_write_order);
}

template <int Id>
int count_dict_event(PyDict_WatchEvent, PyObject*, PyObject*, PyObject*) noexcept {
    count_event<DictKind, Id>();
    return 0;
}

template <int Id>
int count_type_event(PyTypeObject*) noexcept {
    count_event<TypeKind, Id>();
    return 0;
}

template <typename Kind, std::size_t... Ids>
constexpr std::array<typename Kind::Callback, watcher_ids> make_callbacks(std::index_sequence<Ids...>) {
    if constexpr (std::is_same_v<Kind, DictKind>) {
        return {count_dict_event<static_cast<int>(Ids)>...};
    } else {
        return {count_type_event<static_cast<int>(Ids)>...};
    }
}

template <typename Kind>
constexpr std::array<typename Kind::Callback, watcher_ids> callbacks =
    make_callbacks<Kind>(std::make_index_sequence<watcher_ids>{});

// A watcher id with the callback of that id, or -1.  The interpreter hands
// out the lowest free id, so one taken and given back is the one taken
// again at once.
template <typename Kind>
int take_watcher() noexcept {
    int id = Kind::add(callbacks<Kind>[0]);
    if (id > 0) {
        Kind::clear(id);
        const int again = id < watcher_ids ? Kind::add(callbacks<Kind>[static_cast<std::size_t>(id)]) : -1;
        if (again != id) {
            if (again >= 0) {
                Kind::clear(again);
            }
            id = -1;
        }
    }
    return id;
}

// The interpreter's watcher of this kind for the library: the id noted in
// the interpreter's dict, or one taken now and noted there; -1 when none
// is free (nothing is cached then, which is no error).
template <typename Kind>
int interpreter_watcher() noexcept {
    PyObject* interpreter_dict = PyInterpreterState_GetDict(PyInterpreterState_Get());
    // Each of the add-on's libraries has the support layer, and so
    // callbacks and counters, of its own: the key names the library's.
    Ref key = Ref::steal(PyUnicode_FromFormat("fettle %s watcher %p", Kind::name,
                                              static_cast<const void*>(&events<Kind>[0])));
    if (interpreter_dict == nullptr || !key) {
        PyErr_Clear();
        return -1;
    }
    // The ints below are the code's own.
#if PY_VERSION_HEX >= 0x030D0000
    // Two threads may make the library's first module objects at once:
    // the first to note its watcher is the one both use.
    PyObject* result = nullptr;
    const int present = PyDict_GetItemRef(interpreter_dict, key.get(), &result);
    Ref noted = Ref::steal(result);
    if (present != 0) {
        const int id = noted ? static_cast<int>(PyLong_AsLong(noted.get())) : -1;
        PyErr_Clear();
        return id;
    }
    int id = take_watcher<Kind>();
    if (id >= 0) {
        Ref value = Ref::steal(PyLong_FromLong(id));
        result = nullptr;
        const int added = value ? PyDict_SetDefaultRef(interpreter_dict, key.get(), value.get(), &result) : -1;
        noted = Ref::steal(result);
        if (added != 0) {
            Kind::clear(id);
            id = added > 0 ? static_cast<int>(PyLong_AsLong(noted.get())) : -1;
        }
    }
#else
    if (PyObject* noted = PyDict_GetItemWithError(interpreter_dict, key.get())) {
        return static_cast<int>(PyLong_AsLong(noted));
    }
    int id = PyErr_Occurred() ? -1 : take_watcher<Kind>();
    if (id >= 0) {
        Ref value = Ref::steal(PyLong_FromLong(id));
        if (!value || PyDict_SetItem(interpreter_dict, key.get(), value.get()) < 0) {
            Kind::clear(id);
            id = -1;
        }
    }
#endif
    PyErr_Clear();
    return id;
}

}  // namespace

template <typename Object>
void Watched<Object>::start() noexcept {
    using Kind = WatcherKind<Object>;
    // Called in the exec slot, where an exception set by someone else is
    // not expected, and none of this may leave one.
    const int id = interpreter_watcher<Kind>();
    if (id >= 0 && id < watcher_ids) {
        watcher_ = id + 1;
        events_ = &events<Kind>[id];
    }
}

template <typename Object>
void Watched<Object>::stop() noexcept {
    watcher_ = 0;
    events_ = &no_events;
}

template <typename Object>
bool Watched<Object>::track(Object* object) noexcept {
    if (watcher_ == 0) {
        return false;
    }
    if (!WatcherKind<Object>::watch(watcher_ - 1, object)) {
        PyErr_Clear();
        return false;
    }
    return true;
}

template class Watched<PyObject>;
template class Watched<PyTypeObject>;

}  // namespace support

#endif
