// A module object's dict watcher and type watcher (3.12 on, with the GIL):
// see DictVersions and TypeVersions in support/abi.hpp.
//
// A watcher's callback is told the event and the dict or type, nothing of
// whose watcher it is.  So each id an interpreter hands out (it has a few
// of each kind) gets a callback of its own, and that callback finds the
// counter of the module object that holds the id in the running
// interpreter's dict, under a key naming the kind and the id.  The search
// reads the keys in place (no allocation), so it cannot fail: no event is
// ever lost, which would leave a cache trusting a dict or type that has
// changed.
#include "support/abi.hpp"

#if !FETTLE_STABLE_ABI && !defined(Py_GIL_DISABLED) && PY_VERSION_HEX >= 0x030C0000

#include <array>
#include <utility>

namespace support {
namespace {

// The interpreter's limit on watchers of each kind.
constexpr int watcher_ids = 8;

struct KeyText {
    char text[32];
};

// "fettle <kind> watcher <id>"
constexpr KeyText key_text(const char* kind, int id) {
    KeyText key{};
    const char* parts[] = {"fettle ", kind, " watcher "};
    std::size_t at = 0;
    for (const char* part : parts) {
        for (; *part != '\0'; ++part) {
            key.text[at++] = *part;
        }
    }
    key.text[at] = static_cast<char>('0' + id);
    return key;
}

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

template <typename Kind>
constexpr std::array<KeyText, watcher_ids> key_texts = [] {
    std::array<KeyText, watcher_ids> keys{};
    for (int id = 0; id < watcher_ids; ++id) {
        keys[static_cast<std::size_t>(id)] = key_text(Kind::name, id);
    }
    return keys;
}();

template <typename Kind, int Id>
void count_event() noexcept {
    PyObject* interpreter_dict = PyInterpreterState_GetDict(PyInterpreterState_Get());
    if (interpreter_dict == nullptr) {
        return;
    }
    Py_ssize_t position = 0;
    PyObject* key = nullptr;
    PyObject* value = nullptr;
    while (PyDict_Next(interpreter_dict, &position, &key, &value)) {
        if (PyUnicode_Check(key) && PyUnicode_CompareWithASCIIString(key, key_texts<Kind>[Id].text) == 0) {
            ++*static_cast<std::uint64_t*>(PyLong_AsVoidPtr(value));
            break;
        }
    }
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

// Takes a watcher whose events count into `events`: its id + 1, or 0 when
// none is free (nothing is cached then, which is no error).
template <typename Kind>
int start_watcher(std::uint64_t* events) noexcept {
    PyObject* interpreter_dict = PyInterpreterState_GetDict(PyInterpreterState_Get());
    const int id = interpreter_dict != nullptr ? take_watcher<Kind>() : -1;
    int taken = 0;
    if (id >= 0) {
        Ref key = Ref::steal(PyUnicode_FromString(key_texts<Kind>[static_cast<std::size_t>(id)].text));
        Ref counter = Ref::steal(PyLong_FromVoidPtr(events));
        if (key && counter && PyDict_SetItem(interpreter_dict, key.get(), counter.get()) == 0) {
            taken = id + 1;
        } else {
            Kind::clear(id);
        }
    }
    PyErr_Clear();
    return taken;
}

template <typename Kind>
void stop_watcher(int taken) noexcept {
    if (taken == 0) {
        return;
    }
    const int id = taken - 1;
    // Called while the module object is freed, perhaps with an exception
    // set that belongs to someone else.
    PyObject* raised = PyErr_GetRaisedException();
    Kind::clear(id);
    if (PyObject* interpreter_dict = PyInterpreterState_GetDict(PyInterpreterState_Get())) {
        PyDict_DelItemString(interpreter_dict, key_texts<Kind>[static_cast<std::size_t>(id)].text);
    }
    if (raised != nullptr) {
        PyErr_SetRaisedException(raised);
    } else {
        PyErr_Clear();
    }
}

}  // namespace

template <typename Object>
void Watched<Object>::start() noexcept {
    watcher_ = start_watcher<WatcherKind<Object>>(&events_);
}

template <typename Object>
void Watched<Object>::stop() noexcept {
    stop_watcher<WatcherKind<Object>>(watcher_);
    watcher_ = 0;
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
