// The language rotation: the generator returned by Fettler._languages().
//
// It is the C++ form of
//
//     def _languages(self):
//         for lang in cycle(self.config.required_languages):
//             yield lang
//
// and behaves as that generator object does: the body starts on the first
// advance, it supports iteration, send, throw and close, advancing it while
// it runs raises ValueError, and an exception inside the body finishes it.
#pragma once

#include "support/function.hpp"

namespace fettler {

// Creates the generator type of one module (exec slot).
support::Ref make_generator_type(PyObject* module);

// A new, not yet started rotation for `engine`; `function` is the
// `_languages` function whose module globals the body reads.
support::Ref make_rotation(PyObject* generator_type, support::FunctionObject& function, PyObject* engine);

// For the constructor's search: true once the rotation has certainly gone
// through every configured language at least once, after `drawn` items.
// Only answers for rotations of our own type over configured built-in
// collections and iterators whose size is known without running Python
// code, or over a generator (finished once its items are all drawn); false
// when it cannot know.
bool rotation_completed_pass(PyObject* rotation, PyObject* generator_type, Py_ssize_t drawn);

}  // namespace fettler
