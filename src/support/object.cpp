// Subscripts by a given index, calls with keyword arguments, and the keys
// of a dict checked.
#include "support/abi.hpp"

#include <array>
#include <vector>

namespace support {

bool str_keys_only(PyObject* dict) {
    Py_ssize_t position = 0;
    PyObject* key = nullptr;
    PyObject* value = nullptr;
    while (PyDict_Next(dict, &position, &key, &value)) {
        if (!PyUnicode_CheckExact(key)) {
            return false;
        }
    }
    return true;
}

Ref getitem_asking(PyObject* obj, Py_ssize_t index) {
    Ref key = check(PyLong_FromSsize_t(index));
    return getitem(obj, key.get());
}

Ref call_with_keywords(PyObject* callable, std::initializer_list<PyObject*> positional,
                       std::initializer_list<Keyword> keywords) {
    // The usual few arguments on the C stack, more on the heap; either way
    // with room in front for PY_VECTORCALL_ARGUMENTS_OFFSET.
    const std::size_t count = 1 + positional.size() + keywords.size();
    std::array<PyObject*, 8> small{};
    std::vector<PyObject*> large;
    if (count > small.size()) {
        allocating([&] { large.resize(count); });
    }
    PyObject** stack = count > small.size() ? large.data() : small.data();
    std::size_t at = 1;
    for (PyObject* argument : positional) {
        stack[at++] = argument;
    }
    Ref names = check(PyTuple_New(static_cast<Py_ssize_t>(keywords.size())));
    Py_ssize_t index = 0;
    for (const Keyword& keyword : keywords) {
        tuple_fill(names.get(), index++, Ref::borrow(keyword.name));
        stack[at++] = keyword.value;
    }
    return check(PyObject_Vectorcall(callable, stack + 1, positional.size() | PY_VECTORCALL_ARGUMENTS_OFFSET,
                                     names.get()));
}

}  // namespace support
