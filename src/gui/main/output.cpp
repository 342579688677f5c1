// FettleGUI.output: applies the replacement the user chose to the selected
// error.
//
// The error's characters in the engine's text are replaced, its match
// leaves the engine's list, and the matches behind it move by the change in
// length so that they still point at their text.  A match overlapping the
// replaced span no longer points at anything and is dropped; matches in
// front stay as they are.
#include "gui/main/dialog.hpp"
#include "gui/main/members.hpp"
#include "gui/main/names.hpp"
#include "support/globals.hpp"

namespace gui_main {
namespace {

using support::FunctionObject;
using support::Param;
using support::Ref;
using Args = std::span<PyObject* const>;

bool less(PyObject* a, PyObject* b) { return support::check_status(PyObject_RichCompareBool(a, b, Py_LT)) != 0; }
bool greater(PyObject* a, PyObject* b) { return support::check_status(PyObject_RichCompareBool(a, b, Py_GT)) != 0; }
bool at_least(PyObject* a, PyObject* b) { return support::check_status(PyObject_RichCompareBool(a, b, Py_GE)) != 0; }

// text[:start] + replacement + text[stop:]
Ref splice(PyObject* text, PyObject* start, PyObject* replacement, PyObject* stop) {
    Ref head_span = support::check(PySlice_New(nullptr, start, nullptr));
    Ref head = support::getitem(text, head_span.get());
    Ref tail_span = support::check(PySlice_New(stop, nullptr, nullptr));
    Ref with_replacement = support::check(PyNumber_Add(head.get(), replacement));
    Ref tail = support::getitem(text, tail_span.get());
    return support::check(PyNumber_Add(with_replacement.get(), tail.get()));
}

// Moves the matches behind the fix and drops those overlapping it; the
// list is changed in place only when something is dropped.
void shift_matches(PyObject* fettler, PyObject* fixed_offset, PyObject* offset_end, PyObject* length_difference,
                   PyObject* new_text) {
    Ref matches = support::getattr(fettler, names::matches);
    Ref kept = support::check(PyList_New(0));
    bool dropped = false;
    Ref iterator = support::check(PyObject_GetIter(matches.get()));
    while (Ref match = Ref::steal(PyIter_Next(iterator.get()))) {
        Ref offset = support::getattr(match.get(), names::offset);
        if (at_least(offset.get(), offset_end)) {
            Ref shifted = support::check(PyNumber_InPlaceAdd(offset.get(), length_difference));
            support::setattr(match.get(), names::offset, shifted.get());
            support::setattr(match.get(), names::context, new_text);
        } else {
            Ref length = support::getattr(match.get(), names::errorLength);
            Ref end = support::check(PyNumber_Add(offset.get(), length.get()));
            if (less(offset.get(), offset_end) && greater(end.get(), fixed_offset)) {
                dropped = true;
                continue;
            }
        }
        support::check_status(PyList_Append(kept.get(), match.get()));
    }
    if (PyErr_Occurred()) {
        support::throw_error();
    }
    if (dropped) {
        support::check_status(PySequence_SetSlice(matches.get(), 0, PY_SSIZE_T_MAX, kept.get()));
    }
}

Ref output(FunctionObject& function, Args args) {
    PyObject* self = args[0];
    PyObject* corrected_text = args[1];
    // The chooser may answer after the dialog was closed: nothing to fix.
    if (window_is_gone(function, self)) {
        return Ref::borrow(Py_None);
    }
    Ref wx = support::load_global(function, names::wx);
    Ref index = support::call_method(support::getattr(self, names::errors_control).get(), names::GetSelection);
    Ref not_found = support::getattr(wx.get(), names::NOT_FOUND);
    if (support::equals(index.get(), not_found.get())) {
        return Ref::borrow(Py_None);
    }
    if (text_edited_since_update(self)) {
        support::call_method(self, names::run_check);
        return Ref::borrow(Py_None);
    }

    Ref fettler = support::getattr(self, names::fettler);
    Ref matches = support::getattr(fettler.get(), names::matches);
    Ref fixed_match = support::call_method(matches.get(), names::pop, index.get());
    Ref fixed_offset = support::getattr(fixed_match.get(), names::offset);
    Ref error_length = support::getattr(fixed_match.get(), names::errorLength);
    Ref offset_end = support::check(PyNumber_Add(fixed_offset.get(), error_length.get()));
    Ref replacement_length = support::check(PyLong_FromSsize_t(PyUnicode_GET_LENGTH(corrected_text)));
    Ref length_difference = support::check(PyNumber_Subtract(
        replacement_length.get(), support::getattr(fixed_match.get(), names::errorLength).get()));
    Ref old_text = support::getattr(fettler.get(), names::text);
    Ref text = splice(old_text.get(), support::getattr(fixed_match.get(), names::offset).get(), corrected_text,
                      offset_end.get());
    support::setattr(support::getattr(self, names::fettler).get(), names::text, text.get());
    shift_matches(support::getattr(self, names::fettler).get(), fixed_offset.get(), offset_end.get(),
                  length_difference.get(), text.get());
    copy_to_clipboard(function, text.get());
    support::call_method(self, names::update);
    support::call_method(support::getattr(self, names::text).get(), names::SetFocus);
    return Ref::borrow(Py_None);
}

const Param output_params[] = {{"self"}, {"corrected_text", "str"}};

}  // namespace

const support::FunctionDef output_def{"output", "FettleGUI.output", output_params, output};

}  // namespace gui_main
