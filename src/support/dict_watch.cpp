// A module object's dict watcher (3.12 on, with the GIL): see DictVersions
// in support/abi.hpp.
//
// A watcher's callback is told the event and the dict, nothing of whose
// watcher it is.  So each id an interpreter hands out (it has a few) gets a
// callback of its own, and that callback finds the counter of the module
// object that holds the id in the running interpreter's dict, under a key
// naming the id.  The search reads the keys in place (no allocation), so it
// cannot fail: no event is ever lost, which would leave a cache trusting a
// dict that has changed.
#include "support/abi.hpp"

#if !FETTLE_STABLE_ABI && !defined(Py_GIL_DISABLED) && PY_VERSION_HEX >= 0x030C0000

#include <array>
#include <cstdio>
#include <utility>

namespace support {
namespace {

// The interpreter's limit on dict watchers.
constexpr int watcher_ids = 8;

struct KeyText {
    char text[32];
};

constexpr KeyText key_text(int id) {
    KeyText key{"fettle dict watcher ?"};
    key.text[20] = static_cast<char>('0' + id);
    return key;
}

constexpr std::array<KeyText, watcher_ids> key_texts = [] {
    std::array<KeyText, watcher_ids> keys{};
    for (int id = 0; id < watcher_ids; ++id) {
        keys[static_cast<std::size_t>(id)] = key_text(id);
    }
    return keys;
}();

template <int Id>
int count_dict_event(PyDict_WatchEvent, PyObject*, PyObject*, PyObject*) noexcept {
    PyObject* interpreter_dict = PyInterpreterState_GetDict(PyInterpreterState_Get());
    if (interpreter_dict == nullptr) {
        return 0;
    }
    Py_ssize_t position = 0;
    PyObject* key = nullptr;
    PyObject* value = nullptr;
    while (PyDict_Next(interpreter_dict, &position, &key, &value)) {
        if (PyUnicode_Check(key) && PyUnicode_CompareWithASCIIString(key, key_texts[Id].text) == 0) {
            ++*static_cast<std::uint64_t*>(PyLong_AsVoidPtr(value));
            break;
        }
    }
    return 0;
}

template <std::size_t... Ids>
constexpr std::array<PyDict_WatchCallback, watcher_ids> make_callbacks(std::index_sequence<Ids...>) {
    return {count_dict_event<static_cast<int>(Ids)>...};
}

constexpr std::array<PyDict_WatchCallback, watcher_ids> callbacks =
    make_callbacks(std::make_index_sequence<watcher_ids>{});

// A watcher id with the callback of that id, or -1.  The interpreter hands
// out the lowest free id, so one taken and given back is the one taken
// again at once.
int take_watcher() noexcept {
    int id = PyDict_AddWatcher(callbacks[0]);
    if (id > 0) {
        PyDict_ClearWatcher(id);
        const int again = id < watcher_ids ? PyDict_AddWatcher(callbacks[static_cast<std::size_t>(id)]) : -1;
        if (again != id) {
            if (again >= 0) {
                PyDict_ClearWatcher(again);
            }
            id = -1;
        }
    }
    return id;
}

}  // namespace

void DictVersions::start() noexcept {
    PyObject* interpreter_dict = PyInterpreterState_GetDict(PyInterpreterState_Get());
    const int id = interpreter_dict != nullptr ? take_watcher() : -1;
    if (id >= 0) {
        Ref key = Ref::steal(PyUnicode_FromString(key_texts[static_cast<std::size_t>(id)].text));
        Ref counter = Ref::steal(PyLong_FromVoidPtr(&events_));
        if (key && counter && PyDict_SetItem(interpreter_dict, key.get(), counter.get()) == 0) {
            watcher_ = id + 1;
        } else {
            PyDict_ClearWatcher(id);
        }
    }
    // Without a watcher nothing is cached, which is no error.
    PyErr_Clear();
}

void DictVersions::stop() noexcept {
    if (watcher_ == 0) {
        return;
    }
    const int id = watcher_ - 1;
    watcher_ = 0;
    // Called while the module object is freed, perhaps with an exception
    // set that belongs to someone else.
    PyObject* raised = PyErr_GetRaisedException();
    PyDict_ClearWatcher(id);
    if (PyObject* interpreter_dict = PyInterpreterState_GetDict(PyInterpreterState_Get())) {
        PyDict_DelItemString(interpreter_dict, key_texts[static_cast<std::size_t>(id)].text);
    }
    if (raised != nullptr) {
        PyErr_SetRaisedException(raised);
    } else {
        PyErr_Clear();
    }
}

bool DictVersions::track(PyObject* dict) noexcept {
    if (watcher_ == 0) {
        return false;
    }
    if (PyDict_Watch(watcher_ - 1, dict) < 0) {
        PyErr_Clear();
        return false;
    }
    return true;
}

}  // namespace support

#endif
