#include "fettler/cycle.hpp"

#include "support/abi.hpp"

namespace fettler {

using support::Ref;

void Cycle::start(PyObject* configured) {
    Ref source = support::check(PyObject_GetIter(configured));
    saved_ = support::check(PyList_New(0));
    source_ = std::move(source);
}

Ref Cycle::next() {
    if (!saved_) {
        return {};  // cleared by the garbage collector
    }
    if (!repeating_) {
        Ref item = Ref::steal(PyIter_Next(source_.get()));
        if (item) {
            support::check_status(PyList_Append(saved_.get(), item.get()));
            position_ = support::list_size(saved_.get()) - 1;
            return item;
        }
        if (PyErr_Occurred()) {
            support::throw_error();
        }
        count_ = support::list_size(saved_.get());
        repeating_ = true;
        position_ = -1;
        // itertools.cycle lets go of the exhausted iterator here; without
        // the GIL it keeps it until the cycle goes (another thread may
        // still be inside its next()), and so does this one.
        if constexpr (!support::free_threaded) {
            source_.clear();
        }
    }
    if (count_ == 0) {
        return {};
    }
    position_ = (position_ + 1) % count_;
    return support::list_item(saved_.get(), position_);
}

void Cycle::clear() noexcept {
    repeating_ = false;
    count_ = 0;
    source_.clear();
    saved_.clear();
}

int Cycle::traverse(visitproc visit, void* arg) const {
    Py_VISIT(source_.get());
    Py_VISIT(saved_.get());
    return 0;
}

}  // namespace fettler
