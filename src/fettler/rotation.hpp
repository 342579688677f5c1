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

// For the constructor's search: true once the rotation has drawn every
// configured language and started over.  Only a rotation of our own type
// over a genuine itertools.cycle (`cycle_type`) can tell; any other answers
// false.
bool rotation_completed_pass(PyObject* rotation, PyObject* generator_type, PyObject* cycle_type);

}  // namespace fettler
