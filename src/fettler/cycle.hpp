// itertools.cycle, run by the rotation itself.
//
// The rotation could iterate a real itertools.cycle object, but then only
// the cycle would know where the configured languages end and the repeats
// begin, and it tells nobody.  So when the module's `cycle` is the built-in
// one, the rotation runs the same algorithm here, with the same observable
// steps: iter() of the configured object when cycle() would call it, one
// next() on it per item drawn during the first pass, each item saved, the
// configured iterator dropped when it is exhausted (with the GIL), then the
// saved items repeated from the first, forever (nothing at all when there
// were none).
#pragma once

#include "support/ref.hpp"

namespace fettler {

class Cycle {
public:
    // cycle(configured): takes the configured iterator at once.
    void start(PyObject* configured);

    // The next item.  Null once the configured object gave nothing at all
    // (there is nothing to repeat); throws PythonError with what the
    // configured iterator raised.
    support::Ref next();

    bool started() const noexcept { return static_cast<bool>(saved_); }

    // Where the item next() returned last stands among the configured
    // items, counted from 0.
    Py_ssize_t position() const noexcept { return position_; }

    // How many configured items there are, once their iterator is
    // exhausted and the saved items are being repeated; -1 until then.
    Py_ssize_t configured() const noexcept { return repeating_ ? count_ : -1; }

    void clear() noexcept;
    int traverse(visitproc visit, void* arg) const;

private:
    support::Ref source_;  // the configured iterator, during the first pass
    support::Ref saved_;   // list of the items the first pass drew
    bool repeating_ = false;
    Py_ssize_t count_ = 0;  // len(saved_), once repeating
    Py_ssize_t position_ = -1;
};

}  // namespace fettler
