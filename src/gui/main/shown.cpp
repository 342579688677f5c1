// What each dialog's last update showed: the engine's text it put into the
// text control and what the control gave back right after.
//
// A native control cannot always hold what it is given: wxGTK's stops at a
// NUL and drops a text with a lone surrogate, and a control may normalise
// line ends.  So the control's content says nothing about whether the user
// typed; what the control gave back after the last update does.  A fix
// request applies the fix to the engine's text (characters the control
// cannot show included) unless the user typed since, or the engine's owner
// replaced its text; then the matches no longer fit, and the control's text
// is checked instead.
//
// The memory is kept in the module's state, not on the dialog: the
// dialog's attributes are what the host and the add-on see (its __dict__
// and dir()).  An entry is keyed by the dialog's address and dropped by the
// callback of a weak reference to the dialog, which runs before the
// address can be reused; the store is traversed with the module, so the
// collector sees everything it holds.
#include "gui/main/dialog.hpp"
#include "gui/main/names.hpp"
#include "gui/main/state.hpp"
#include "support/abi.hpp"

#include <utility>

namespace gui_main {
namespace {

using support::Ref;

// The weak reference's callback; bound to (store, key).
PyObject* forget_shown(PyObject* store_and_key, PyObject* weakref) {
    return support::guard_object([&] {
        PyObject* store = support::tuple_item(store_and_key, 0);
        PyObject* key = support::tuple_item(store_and_key, 1);
        Ref entry = support::dict_get_item(store, key);
        if (entry && support::tuple_item(entry.get(), 0) == weakref) {
            support::check_status(PyDict_DelItem(store, key));
        }
        return Ref::borrow(Py_None);
    });
}

PyMethodDef forget_shown_def = {"forget_shown", forget_shown, METH_O, nullptr};

// (weak reference, engine text, control text) for `dialog`, or null.
Ref entry_of(PyObject* store, PyObject* key) {
    return support::dict_get_item(store, key);
}

}  // namespace

void remember_shown(const support::FunctionObject& function, PyObject* dialog, PyObject* engine_text,
                    PyObject* control_text) {
    PyObject* store = state_of(function).shown.get();
    Ref key = support::check(PyLong_FromVoidPtr(dialog));
    Ref weakref;
    if (Ref entry = entry_of(store, key.get())) {
        weakref = Ref::borrow(support::tuple_item(entry.get(), 0));
    } else {
        Ref store_and_key = support::check(PyTuple_Pack(2, store, key.get()));
        Ref forget = support::check(PyCFunction_New(&forget_shown_def, store_and_key.get()));
        weakref = support::check(PyWeakref_NewRef(dialog, forget.get()));
    }
    Ref entry = support::check(PyTuple_Pack(3, weakref.get(), engine_text, control_text));
    support::check_status(PyDict_SetItem(store, key.get(), entry.get()));
}

bool fix_needs_check(const support::FunctionObject& function, PyObject* dialog, bool control_read) {
    const support::ModuleStrings& strings = function.strings();
    Ref key = support::check(PyLong_FromVoidPtr(dialog));
    const Ref entry = entry_of(state_of(function).shown.get(), key.get());
    if (!entry) {
        return true;  // nothing shown yet that the matches could be said to fit
    }
    if (!control_read) {
        Ref control_text =
            support::call_method(support::getattr(dialog, strings[names::text]).get(), strings[names::GetValue]);
        if (!support::equals(control_text.get(), support::tuple_item(entry.get(), 2))) {
            return true;
        }
    }
    Ref engine_text = support::getattr(support::getattr(dialog, strings[names::fettler]).get(), strings[names::text]);
    return !support::equals(engine_text.get(), support::tuple_item(entry.get(), 1));
}

// The mark is the module's, and any thread may set or take it: without the
// GIL each change is made under the module object's lock, and what it
// drops is released after it.  Each ControlRead drops only the mark it set
// itself, if no output has taken it and no other ControlRead replaced it:
// restoring the mark it found instead would bring back a mark whose
// reader is gone when two threads' (or two greenlets') key handlers end in
// another order than they began, and a later output from the chooser
// would skip the check for the user's typing.
ControlRead::ControlRead(const support::FunctionObject& function, PyObject* dialog)
    : module_(PyType_GetModule(function.type())), state_(state_of(function)) {
    Ref mark = Ref::borrow(dialog);
    Ref dropped;
    const support::Locked lock(module_);
    number_ = ++state_.control_reads;
    state_.control_read_by = number_;
    dropped = std::exchange(state_.control_read_for, std::move(mark));
}

ControlRead::~ControlRead() {
    Ref dropped;
    {
        const support::Locked lock(module_);
        if (state_.control_read_by == number_) {
            dropped = std::exchange(state_.control_read_for, Ref());
        }
    }
}

bool take_control_read(const support::FunctionObject& function, PyObject* dialog) {
    ModuleState& state = state_of(function);
    Ref dropped;
    const support::Locked lock(PyType_GetModule(function.type()));
    if (state.control_read_for.get() != dialog) {
        return false;
    }
    dropped = std::exchange(state.control_read_for, Ref());
    return true;
}

}  // namespace gui_main
