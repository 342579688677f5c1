// A test-only extension module (never installed or shipped) that drives
// the support layer's exception handling with C++ exceptions the shipped
// modules never throw on purpose: what the slot guard makes of them, that
// try_finally and on_error run their clean-up for them, and what a real
// failed allocation of the C++ library becomes.
#include "support/error.hpp"
#include "support/finally.hpp"
#include "support/object.hpp"

#include <cstddef>
#include <cstdint>
#include <new>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace {

using support::Ref;

// Raises the exception `kind` names, as C++ code would.
[[noreturn]] void throw_kind(PyObject* kind) {
    const char* text = PyUnicode_AsUTF8(kind);
    if (text == nullptr) {
        support::throw_error();
    }
    const std::string_view name(text);
    if (name == "python") {
        support::raise(PyExc_ValueError, "raised in C++");
    }
    if (name == "bad_alloc") {
        throw std::bad_alloc();
    }
    if (name == "runtime_error") {
        throw std::runtime_error("the probe failed");
    }
    if (name == "int") {
        throw 42;
    }
    support::raise(PyExc_ValueError, "unknown kind");
}

PyObject* raise_through_guard(PyObject*, PyObject* kind) {
    return support::guard_object([&]() -> Ref { throw_kind(kind); });
}

// try: raise <kind>  finally: cleanup()
PyObject* raise_in_try_finally(PyObject*, PyObject* const* args, Py_ssize_t nargs) {
    return support::guard_object([&] {
        if (nargs != 2) {
            support::raise(PyExc_TypeError, "kind and cleanup expected");
        }
        return support::try_finally([&]() -> Ref { throw_kind(args[0]); },
                                    [&] { support::call(args[1]); });
    });
}

// try: raise <kind>  except BaseException: cleanup(); raise
PyObject* raise_in_on_error(PyObject*, PyObject* const* args, Py_ssize_t nargs) {
    return support::guard_object([&] {
        if (nargs != 2) {
            support::raise(PyExc_TypeError, "kind and cleanup expected");
        }
        return support::on_error([&]() -> Ref { throw_kind(args[0]); }, [&] { support::call(args[1]); });
    });
}

// try: return None  finally: cleanup()
PyObject* return_in_try_finally(PyObject*, PyObject* cleanup) {
    return support::guard_object([&] {
        return support::try_finally([&] { return Ref::borrow(Py_None); }, [&] { support::call(cleanup); });
    });
}

// An allocation no process gets: one byte more than the largest object
// (PTRDIFF_MAX + 1), which is more than the address space holds on 64
// bits and is refused by the allocator on 32 bits, where a process on a
// 64-bit kernel can be given a gigabyte or two (half of max_size(), asked
// for here before, was granted there).  The block's address is what the
// function returns, so the allocation is part of its result: a compiler
// may drop an allocation whose storage nothing uses (g++ 16 at -O2 removed
// an unused reserve()), never one whose pointer leaves the function.  The
// size is read through a volatile: as a constant, it is rejected at
// compile time (-Walloc-size-larger-than).
PyObject* fail_an_allocation(PyObject*, PyObject*) {
    return support::guard_object([&] {
        const volatile std::size_t too_big = static_cast<std::size_t>(PTRDIFF_MAX) + 1;
        void* block = nullptr;
        support::allocating([&] { block = ::operator new(too_big); });
        Ref address = support::check(PyLong_FromVoidPtr(block));
        ::operator delete(block);
        return address;
    });
}

// throw_error() with no Python exception set: a programming error.
PyObject* throw_with_no_error(PyObject*, PyObject*) {
    return support::guard_object([&]() -> Ref { support::throw_error(); });
}

#if PY_VERSION_HEX >= 0x030C0000 && (!defined(Py_GIL_DISABLED) || PY_VERSION_HEX >= 0x030E0000) && \
    !defined(Py_LIMITED_API)
int ignore_dict_event(PyDict_WatchEvent, PyObject*, PyObject*, PyObject*) { return 0; }
int ignore_type_event(PyTypeObject*) { return 0; }

// Takes every free watcher of one kind, gives them back, and counts them.
template <typename Add, typename Clear>
long count_free(Add add, Clear clear) {
    std::vector<int> taken;
    for (int id; (id = add()) >= 0;) {
        taken.push_back(id);
    }
    PyErr_Clear();
    for (int id : taken) {
        clear(id);
    }
    return static_cast<long>(taken.size());
}
#endif

// The dict and type watchers the interpreter still has free, as the
// library takes them (3.12 on, with the GIL), else None.
PyObject* free_watchers(PyObject*, PyObject*) {
#if PY_VERSION_HEX >= 0x030C0000 && (!defined(Py_GIL_DISABLED) || PY_VERSION_HEX >= 0x030E0000) && \
    !defined(Py_LIMITED_API)
    const long dicts = count_free([] { return PyDict_AddWatcher(ignore_dict_event); }, PyDict_ClearWatcher);
    const long types = count_free([] { return PyType_AddWatcher(ignore_type_event); }, PyType_ClearWatcher);
    return Py_BuildValue("(ll)", dicts, types);
#else
    Py_RETURN_NONE;
#endif
}

PyMethodDef probe_functions[] = {
    {"raise_through_guard", raise_through_guard, METH_O, nullptr},
    {"raise_in_try_finally", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(raise_in_try_finally)),
     METH_FASTCALL, nullptr},
    {"raise_in_on_error", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(raise_in_on_error)),
     METH_FASTCALL, nullptr},
    {"return_in_try_finally", return_in_try_finally, METH_O, nullptr},
    {"fail_an_allocation", fail_an_allocation, METH_NOARGS, nullptr},
    {"throw_with_no_error", throw_with_no_error, METH_NOARGS, nullptr},
    {"free_watchers", free_watchers, METH_NOARGS, nullptr},
    {nullptr, nullptr, 0, nullptr},
};

int exec_probe(PyObject* module) {
#ifdef NDEBUG
    PyObject* checked = Py_False;
#else
    PyObject* checked = Py_True;
#endif
    return PyModule_AddObjectRef(module, "ASSERTIONS", checked);
}

PyModuleDef_Slot probe_slots[] = {
    {Py_mod_exec, reinterpret_cast<void*>(exec_probe)},
#if PY_VERSION_HEX >= 0x030D0000
    // Without it a free-threaded interpreter turns the GIL on for the rest
    // of the test run, and the thread tests after it would run under it.
    {Py_mod_gil, Py_MOD_GIL_NOT_USED},
#endif
    {0, nullptr},
};

PyModuleDef probe_def = {
    PyModuleDef_HEAD_INIT, "support_probe", nullptr, 0, probe_functions, probe_slots, nullptr, nullptr, nullptr,
};

}  // namespace

PyMODINIT_FUNC PyInit_support_probe() { return PyModuleDef_Init(&probe_def); }
