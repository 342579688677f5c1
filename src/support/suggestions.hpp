// The "Did you mean ...?" of newer interpreters' argument errors.
#pragma once

#include "support/ref.hpp"

namespace support {

// Whether the running interpreter adds a suggestion to a Python function's
// "unexpected keyword argument" error (3.13 and newer; the running one, not
// the one the module was built against: a Stable-ABI module runs on both).
bool suggests_keywords() noexcept;

// The name among the first `count` items of `names` (a tuple of str) that
// the interpreter would suggest for the misspelt `name`, or null: the
// closest one by its edit distance on UTF-8 (a change of case costs half a
// change), within a third of the characters involved, the first of equals.
// Never raises: a name that cannot be encoded gets no suggestion.
Ref keyword_suggestion(PyObject* names, Py_ssize_t count, PyObject* name);

}  // namespace support
