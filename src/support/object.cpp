// Calls with keyword arguments.
#include "support/abi.hpp"

#include <vector>

namespace support {

Ref call_with_keywords(PyObject* callable, std::initializer_list<PyObject*> positional,
                       std::initializer_list<Keyword> keywords) {
    std::vector<PyObject*> stack;
    // Reserved up front: the inserts below then never allocate.
    allocating([&] { stack.reserve(1 + positional.size() + keywords.size()); });
    stack.push_back(nullptr);  // room for PY_VECTORCALL_ARGUMENTS_OFFSET
    stack.insert(stack.end(), positional.begin(), positional.end());
    Ref names = check(PyTuple_New(static_cast<Py_ssize_t>(keywords.size())));
    Py_ssize_t index = 0;
    for (const Keyword& keyword : keywords) {
        tuple_fill(names.get(), index++, Ref::borrow(keyword.name.get()));
        stack.push_back(keyword.value);
    }
    return check(PyObject_Vectorcall(callable, stack.data() + 1, positional.size() | PY_VECTORCALL_ARGUMENTS_OFFSET,
                                     names.get()));
}

}  // namespace support
