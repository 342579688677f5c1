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
// While the module's `cycle` is the built-in itertools.cycle, the body runs
// the cycle's steps itself (cycle.hpp), so that it can say where the item
// it yielded last stands among the configured ones.
#pragma once

#include "support/function.hpp"

#include <optional>

namespace fettler {

// Creates the generator type of one module (exec slot).
support::Ref make_generator_type(PyObject* module);

// A new, not yet started rotation for `engine`; `function` is the
// `_languages` function whose module globals the body reads.
support::Ref make_rotation(PyObject* generator_type, support::FunctionObject& function, PyObject* engine);

// next(rotation) as the built-in next() does it, when `rotation` is a
// rotation of this library's type (any module's); nullopt for any other
// object, which the caller then hands to next() itself.
std::optional<support::Ref> next_of_rotation(PyObject* rotation);

// Where an item a rotation yielded stands.
struct Drawn {
    Py_ssize_t position;    // its place among the configured items, from 0
    Py_ssize_t configured;  // how many there are once the items repeat, else -1
};

// next(iterator) for the constructor's search: the item, null when the
// iterator is exhausted; and where it stands, which only a rotation of
// `generator_type` that runs the built-in cycle itself can tell (read in
// the same step, before anyone else can advance it).
struct Step {
    support::Ref item;
    std::optional<Drawn> drawn;
};
Step next_drawn(PyObject* iterator, PyObject* generator_type);

}  // namespace fettler
