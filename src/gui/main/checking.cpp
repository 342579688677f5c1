// FettleGUI.check, _check, update and the errors property: the check of
// the user's text and the error list built from the engine's matches.
#include "gui/main/dialog.hpp"
#include "gui/main/members.hpp"
#include "gui/main/names.hpp"
#include "gui/main/positions.hpp"
#include "support/abi.hpp"
#include "support/globals.hpp"
#include "support/text.hpp"

#include <optional>

namespace gui_main {
namespace {

using support::FunctionObject;
using support::Param;
using support::Ref;

Ref check(FunctionObject& function, support::BoundArgs args) {
    support::call_method(args[0], function.strings()[names::run_check]);
    return Ref::borrow(Py_None);
}

Ref run_check(FunctionObject& function, support::BoundArgs args) {
    const support::ModuleStrings& strings = function.strings();
    PyObject* self = args[0];
    Ref text = support::call_method(support::getattr(self, strings[names::text]).get(), strings[names::GetValue]);
    Ref corrected_text = support::call_method(support::getattr(self, strings[names::fettler]).get(),
                                              strings[names::correct_extended], text.get());
    {
        Ref ui = support::load_global(function, names::ui);
        Ref message = support::getattr(ui.get(), strings[names::message]);
        Ref translator = support::load_global(function, names::Translator);
        Ref text_checked = support::getattr(translator.get(), strings[names::text_checked]);
        support::call(message.get(), text_checked.get());
    }
    copy_to_clipboard(function, corrected_text.get());
    support::call_method(self, strings[names::update]);
    support::call_method(support::getattr(self, strings[names::errors_control]).get(), strings[names::SetFocus]);
    return Ref::borrow(Py_None);
}

Ref update(FunctionObject& function, support::BoundArgs args) {
    const support::ModuleStrings& strings = function.strings();
    PyObject* self = args[0];
    Ref text = support::getattr(self, strings[names::text]);
    Ref engine_text = support::getattr(support::getattr(self, strings[names::fettler]).get(), strings[names::text]);
    support::call_method(text.get(), strings[names::SetValue], engine_text.get());
    Ref control_text = support::call_method(text.get(), strings[names::GetValue]);
    remember_shown(function, self, engine_text.get(), control_text.get());
    support::call_method(support::getattr(self, strings[names::errors_control]).get(), strings[names::Clear]);
    // self.errors_control.Set(self.errors)
    Ref set = support::getattr(support::getattr(self, strings[names::errors_control]).get(), strings[names::Set]);
    Ref errors = support::getattr(self, strings[names::errors]);
    support::call(set.get(), errors.get());
    return Ref::borrow(Py_None);
}

// f"{value}" for one piece of an error item.  An exact str is the piece
// itself, as the f-string takes it without asking for its format; anything
// else is formatted as format(value, "") does it.
Ref formatted(PyObject* value) {
    if (PyUnicode_CheckExact(value)) {
        return Ref::borrow(value);
    }
    return support::check(PyObject_Format(value, nullptr));
}

// context[start:stop] in general.
Ref slice_of(PyObject* context, PyObject* start, PyObject* stop) {
    Ref span = support::check(PySlice_New(start, stop, nullptr));
    return support::getitem(context, span.get());
}

struct Span {
    Py_ssize_t start;
    Py_ssize_t stop;
};

// The indices of context[start:offset + length] when the context is a str
// and the positions are ints: computed without running any Python code,
// clamped as a slice clamps them.
std::optional<Span> plain_span(PyObject* context, PyObject* start, PyObject* offset, PyObject* length) {
    if (!PyUnicode_CheckExact(context)) {
        return std::nullopt;
    }
    const std::optional<long long> first = small_int(start);
    const std::optional<long long> base = first ? small_int(offset) : std::nullopt;
    const std::optional<long long> extent = base ? small_int(length) : std::nullopt;
    if (!extent) {
        return std::nullopt;
    }
    Span span{slice_bound(*first), slice_bound(*base + *extent)};
    PySlice_AdjustIndices(support::str_length(context), &span.start, &span.stop, 1);
    span.stop = span.stop < span.start ? span.start : span.stop;
    return span;
}

bool all_str(const support::ListSnapshot& items) {
    for (Py_ssize_t i = 0, size = items.size(); i < size; ++i) {
        if (!PyUnicode_CheckExact(items[i])) {
            return false;
        }
    }
    return true;
}

const support::StrConstant separator(", ");
const support::StrConstant space(" ");

// f"{match.message} {error_text} {replacements} {', '.join(match.replacements)}"
// with error_text = match.context[match.offset:match.offset + match.errorLength]
// computed first, as the statement before the f-string computes it: the
// slice's reads (context, offset, offset, errorLength), then the f-string's
// in its order (message, the formatting of the three pieces, replacements).
// When the pieces are plain str and int values, no Python code can run
// between the reads, so the slice and the join are copied straight into
// the one new str instead of being built as strings of their own.
Ref error_item(const support::ModuleStrings& strings, support::TextBuilder& builder, PyObject* match,
               PyObject* replacements_label) {
    Ref context = support::getattr(match, strings[names::context]);
    Ref start = support::getattr(match, strings[names::offset]);
    Ref offset = support::getattr(match, strings[names::offset]);
    Ref length = support::getattr(match, strings[names::errorLength]);
    const std::optional<Span> span = plain_span(context.get(), start.get(), offset.get(), length.get());
    Ref error_text;
    if (!span) {
        Ref stop = support::check(PyNumber_Add(offset.get(), length.get()));
        error_text = slice_of(context.get(), start.get(), stop.get());
    }
    Ref message = formatted(support::getattr(match, strings[names::message]).get());
    if (!span) {
        error_text = formatted(error_text.get());
    }
    Ref label = formatted(replacements_label);
    Ref replacements = support::getattr(match, strings[names::replacements]);
    // The replacements are read from one snapshot, checked and copied
    // from it: the pieces the builder borrows stay alive until build(),
    // whatever another thread does to the list meanwhile.
    if (span && PyList_CheckExact(replacements.get())) {
        const support::ListSnapshot items(replacements.get());
        if (all_str(items)) {
            builder.clear();
            builder.add(message.get());
            builder.add(strings[space]);
            builder.add(context.get(), span->start, span->stop);
            builder.add(strings[space]);
            builder.add(label.get());
            builder.add(strings[space]);
            for (Py_ssize_t i = 0, size = items.size(); i < size; ++i) {
                if (i != 0) {
                    builder.add(strings[separator]);
                }
                builder.add(items[i]);
            }
            return builder.build();
        }
    }
    if (span) {
        error_text = support::check(PyUnicode_Substring(context.get(), span->start, span->stop));
    }
    Ref joined = support::check(PyUnicode_Join(strings[separator], replacements.get()));
    builder.clear();
    for (PyObject* piece : {message.get(), error_text.get(), label.get()}) {
        builder.add(piece);
        builder.add(strings[space]);
    }
    builder.add(joined.get());
    return builder.build();
}

Ref errors(FunctionObject& function, support::BoundArgs args) {
    const support::ModuleStrings& strings = function.strings();
    PyObject* self = args[0];
    Ref translator = support::load_global(function, names::Translator);
    Ref replacements_label = support::getattr(translator.get(), strings[names::replacements]);
    Ref items = support::check(PyList_New(0));
    Ref matches = support::getattr(support::getattr(self, strings[names::fettler]).get(), strings[names::matches]);
    Ref iterator = support::check(PyObject_GetIter(matches.get()));
    support::TextBuilder builder;
    while (Ref match = Ref::steal(PyIter_Next(iterator.get()))) {
        Ref item = error_item(strings, builder, match.get(), replacements_label.get());
        support::check_status(PyList_Append(items.get(), item.get()));
    }
    if (PyErr_Occurred()) {
        support::throw_error();
    }
    return items;
}

const Param self_only[] = {{"self"}};
const Param event_params[] = {{"self"}, {"event"}};

}  // namespace

const support::FunctionDef check_def{"check", "FettleGUI.check", event_params, check};
const support::FunctionDef run_check_def{"_check", "FettleGUI._check", self_only, run_check};
const support::FunctionDef update_def{"update", "FettleGUI.update", self_only, update};
const support::FunctionDef errors_def{
    .name = "errors", .qualname = "FettleGUI.errors",
    .params = self_only, .body = errors, .return_annotation = "list[str]"};

}  // namespace gui_main
