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
#include "gui/main/positions.hpp"
#include "support/abi.hpp"
#include "support/globals.hpp"
#include "support/text.hpp"

#include <optional>
#include <vector>

namespace gui_main {
namespace {

using support::FunctionObject;
using support::Param;
using support::Ref;

bool greater(PyObject* a, PyObject* b) { return support::compare(a, b, Py_GT); }
bool at_least(PyObject* a, PyObject* b) { return support::compare(a, b, Py_GE); }

// text[:start] + replacement + text[stop:]; copied once into the new str
// when all three are str and the positions ints.
Ref splice(PyObject* text, PyObject* start, PyObject* replacement, PyObject* stop) {
    const std::optional<long long> head_end = small_int(start);
    const std::optional<long long> tail_start = small_int(stop);
    if (PyUnicode_CheckExact(text) && PyUnicode_CheckExact(replacement) && head_end && tail_start) {
        const Py_ssize_t length = support::str_length(text);
        Py_ssize_t head_from = 0;
        Py_ssize_t head_to = slice_bound(*head_end);
        PySlice_AdjustIndices(length, &head_from, &head_to, 1);
        Py_ssize_t tail_from = slice_bound(*tail_start);
        Py_ssize_t tail_to = length;
        PySlice_AdjustIndices(length, &tail_from, &tail_to, 1);
        support::TextBuilder builder;
        builder.add(text, 0, head_to > head_from ? head_to : head_from);
        builder.add(replacement);
        builder.add(text, tail_from, tail_to > tail_from ? tail_to : tail_from);
        return builder.build();
    }
    Ref head_span = support::check(PySlice_New(nullptr, start, nullptr));
    Ref head = support::getitem(text, head_span.get());
    Ref with_replacement = support::check(PyNumber_Add(head.get(), replacement));
    Ref tail_span = support::check(PySlice_New(stop, nullptr, nullptr));
    Ref tail = support::getitem(text, tail_span.get());
    return support::check(PyNumber_Add(with_replacement.get(), tail.get()));
}

// Where one match stands relative to the span just replaced.
enum class Place { before, overlapping, behind };

// The span just replaced, [start, end), and the change of length behind it.
class Fix {
public:
    Fix(const support::ModuleStrings& strings, PyObject* start, PyObject* end, PyObject* length_difference)
        : strings_(strings),
          start_(start),
          end_(end),
          length_difference_(length_difference),
          small_start_(small_int(start)),
          small_end_(small_int(end)),
          small_difference_(small_int(length_difference)) {}

    // match.offset >= end: behind; otherwise overlapping when
    // match.offset + match.errorLength > start.  Plain ints are compared in
    // C, where no Python code can run; anything else goes through Python's
    // operators.
    Place place_of(PyObject* match, PyObject* offset) const {
        const std::optional<long long> at = small_int(offset);
        if (at && small_start_ && small_end_) {
            if (*at >= *small_end_) {
                return Place::behind;
            }
            Ref length = support::getattr(match, strings_[names::errorLength]);
            if (const std::optional<long long> extent = small_int(length.get())) {
                return *at + *extent > *small_start_ ? Place::overlapping : Place::before;
            }
            Ref match_end = support::check(PyNumber_Add(offset, length.get()));
            return greater(match_end.get(), start_) ? Place::overlapping : Place::before;
        }
        if (at_least(offset, end_)) {
            return Place::behind;
        }
        Ref length = support::getattr(match, strings_[names::errorLength]);
        Ref match_end = support::check(PyNumber_Add(offset, length.get()));
        return greater(match_end.get(), start_) ? Place::overlapping : Place::before;
    }

    // offset + length_difference
    Ref shifted(PyObject* offset) const {
        const std::optional<long long> at = small_int(offset);
        if (at && small_difference_) {
            return support::check(PyLong_FromLongLong(*at + *small_difference_));
        }
        return support::check(PyNumber_InPlaceAdd(offset, length_difference_));
    }

    const support::ModuleStrings& strings() const noexcept { return strings_; }

private:
    const support::ModuleStrings& strings_;
    PyObject* start_;
    PyObject* end_;
    PyObject* length_difference_;
    std::optional<long long> small_start_;
    std::optional<long long> small_end_;
    std::optional<long long> small_difference_;
};

// One match of the scan: moved when behind the fix, dropped when
// overlapping it; the matches kept are collected in `kept`.
void visit_match(const Fix& fix, PyObject* new_text, Ref match, std::vector<Ref>& kept, bool& dropped) {
    const support::ModuleStrings& strings = fix.strings();
    Ref offset = support::getattr(match.get(), strings[names::offset]);
    switch (fix.place_of(match.get(), offset.get())) {
        case Place::behind: {
            // match.offset += length_difference (which reads it again);
            // match.context = text
            Ref current = support::getattr(match.get(), strings[names::offset]);
            Ref shifted = fix.shifted(current.get());
            support::set_attribute(match.get(), strings[names::offset], shifted.get());
            support::set_attribute(match.get(), strings[names::context], new_text);
            break;
        }
        case Place::overlapping:
            dropped = true;
            return;
        case Place::before:
            break;
    }
    support::allocating([&] { kept.push_back(std::move(match)); });
}

// Moves the matches behind the fix and drops those overlapping it; the
// list is changed in place only when something is dropped.  The matches
// kept are held in a vector (no Python code ever sees that collection), and
// made a list only for that assignment.
void shift_matches(PyObject* fettler, const Fix& fix, PyObject* new_text) {
    const support::ModuleStrings& strings = fix.strings();
    Ref matches = support::getattr(fettler, strings[names::matches]);
    std::vector<Ref> kept;
    bool dropped = false;
    if (PyList_CheckExact(matches.get())) {
        // A list's own iterator, step by step: the item at the next index
        // while the list is that long (Python code run by a match's
        // attributes may change the list under the scan).
        support::allocating([&] { kept.reserve(static_cast<std::size_t>(support::list_size(matches.get()))); });
        for (Py_ssize_t i = 0; Ref match = support::list_item_or_end(matches.get(), i); ++i) {
            visit_match(fix, new_text, std::move(match), kept, dropped);
        }
    } else {
        Ref iterator = support::check(PyObject_GetIter(matches.get()));
        while (Ref match = Ref::steal(PyIter_Next(iterator.get()))) {
            visit_match(fix, new_text, std::move(match), kept, dropped);
        }
        if (PyErr_Occurred()) {
            support::throw_error();
        }
    }
    if (dropped) {
        Ref kept_list = support::new_list(kept);
        support::check_status(PySequence_SetSlice(matches.get(), 0, PY_SSIZE_T_MAX, kept_list.get()));
    }
}

Ref output(FunctionObject& function, support::BoundArgs args) {
    const support::ModuleStrings& strings = function.strings();
    PyObject* self = args[0];
    PyObject* corrected_text = args[1];
    // The chooser may answer after the dialog was closed: nothing to fix.
    if (window_is_gone(function, self)) {
        return Ref::borrow(Py_None);
    }
    Ref wx = support::load_global(function, names::wx);
    Ref index = support::call_method(support::getattr(self, strings[names::errors_control]).get(),
                                     strings[names::GetSelection]);
    Ref not_found = support::getattr(wx.get(), strings[names::NOT_FOUND]);
    if (support::equals(index.get(), not_found.get())) {
        return Ref::borrow(Py_None);
    }
    // Called by the key handler, which has just read the text control: not
    // read a second time (a long text costs milliseconds per read).
    const bool control_read = take_control_read(function, self);
    if (fix_needs_check(function, self, control_read)) {
        support::call_method(self, strings[names::run_check]);
        return Ref::borrow(Py_None);
    }

    Ref fettler = support::getattr(self, strings[names::fettler]);
    Ref matches = support::getattr(fettler.get(), strings[names::matches]);
    Ref fixed_match = support::call_method(matches.get(), strings[names::pop], index.get());
    Ref fixed_offset = support::getattr(fixed_match.get(), strings[names::offset]);
    Ref error_length = support::getattr(fixed_match.get(), strings[names::errorLength]);
    Ref offset_end = support::check(PyNumber_Add(fixed_offset.get(), error_length.get()));
    Ref replacement_length = support::check(PyLong_FromSsize_t(support::str_length(corrected_text)));
    Ref length_difference = support::check(PyNumber_Subtract(
        replacement_length.get(), support::getattr(fixed_match.get(), strings[names::errorLength]).get()));
    Ref old_text = support::getattr(fettler.get(), strings[names::text]);
    Ref text = splice(old_text.get(), support::getattr(fixed_match.get(), strings[names::offset]).get(), corrected_text,
                      offset_end.get());
    support::setattr(support::getattr(self, strings[names::fettler]).get(), strings[names::text], text.get());
    const Fix fix(strings, fixed_offset.get(), offset_end.get(), length_difference.get());
    shift_matches(support::getattr(self, strings[names::fettler]).get(), fix, text.get());
    copy_to_clipboard(function, text.get());
    support::call_method(self, strings[names::update]);
    support::call_method(support::getattr(self, strings[names::text]).get(), strings[names::SetFocus]);
    return Ref::borrow(Py_None);
}

const Param output_params[] = {{"self"}, {.name = "corrected_text", .annotation = "str", .exact_str = true}};

}  // namespace

const support::FunctionDef output_def{"output", "FettleGUI.output", output_params, output};

}  // namespace gui_main
