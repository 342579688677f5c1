// FettleGUI.check, _check, update and the errors property: the check of
// the user's text and the error list built from the engine's matches.
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

Ref check(FunctionObject&, Args args) {
    support::call_method(args[0], names::run_check);
    return Ref::borrow(Py_None);
}

Ref run_check(FunctionObject& function, Args args) {
    PyObject* self = args[0];
    Ref text = support::call_method(support::getattr(self, names::text).get(), names::GetValue);
    Ref corrected_text =
        support::call_method(support::getattr(self, names::fettler).get(), names::correct_extended, text.get());
    {
        Ref ui = support::load_global(function, names::ui);
        Ref message = support::getattr(ui.get(), names::message);
        Ref translator = support::load_global(function, names::Translator);
        Ref text_checked = support::getattr(translator.get(), names::text_checked);
        support::call(message.get(), text_checked.get());
    }
    copy_to_clipboard(function, corrected_text.get());
    support::call_method(self, names::update);
    support::call_method(support::getattr(self, names::errors_control).get(), names::SetFocus);
    return Ref::borrow(Py_None);
}

Ref update(FunctionObject&, Args args) {
    PyObject* self = args[0];
    Ref text = support::getattr(self, names::text);
    Ref engine_text = support::getattr(support::getattr(self, names::fettler).get(), names::text);
    support::call_method(text.get(), names::SetValue, engine_text.get());
    support::call_method(support::getattr(self, names::errors_control).get(), names::Clear);
    // self.errors_control.Set(self.errors)
    Ref set = support::getattr(support::getattr(self, names::errors_control).get(), names::Set);
    Ref errors = support::getattr(self, names::errors);
    support::call(set.get(), errors.get());
    return Ref::borrow(Py_None);
}

// f"{match.message} {error_text} {replacements} {', '.join(match.replacements)}"
// with error_text = match.context[match.offset:match.offset + match.errorLength]
Ref error_item(PyObject* match, PyObject* replacements_label) {
    static const support::Name empty("");
    static const support::Name separator(", ");
    static const support::Name space(" ");
    Ref message = support::getattr(match, names::message);
    Ref message_text = support::check(PyObject_Format(message.get(), empty.get()));
    Ref context = support::getattr(match, names::context);
    Ref start = support::getattr(match, names::offset);
    Ref offset = support::getattr(match, names::offset);
    Ref length = support::getattr(match, names::errorLength);
    Ref stop = support::check(PyNumber_Add(offset.get(), length.get()));
    Ref span = support::check(PySlice_New(start.get(), stop.get(), nullptr));
    Ref error_text = support::getitem(context.get(), span.get());
    Ref error_text_formatted = support::check(PyObject_Format(error_text.get(), empty.get()));
    Ref label_text = support::check(PyObject_Format(replacements_label, empty.get()));
    Ref replacements = support::getattr(match, names::replacements);
    Ref joined = support::check(PyUnicode_Join(separator.get(), replacements.get()));
    Ref pieces = support::check(
        PyTuple_Pack(4, message_text.get(), error_text_formatted.get(), label_text.get(), joined.get()));
    return support::check(PyUnicode_Join(space.get(), pieces.get()));
}

Ref errors(FunctionObject& function, Args args) {
    PyObject* self = args[0];
    Ref translator = support::load_global(function, names::Translator);
    Ref replacements_label = support::getattr(translator.get(), names::replacements);
    Ref items = support::check(PyList_New(0));
    Ref matches = support::getattr(support::getattr(self, names::fettler).get(), names::matches);
    Ref iterator = support::check(PyObject_GetIter(matches.get()));
    while (Ref match = Ref::steal(PyIter_Next(iterator.get()))) {
        Ref item = error_item(match.get(), replacements_label.get());
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

// api.copyToClip(text, notify=False)
void copy_to_clipboard(const FunctionObject& function, PyObject* text) {
    Ref api = support::load_global(function, names::api);
    Ref copy = support::getattr(api.get(), names::copyToClip);
    support::call_with_keywords(copy.get(), {text}, {{names::notify, Py_False}});
}

bool text_edited_since_update(PyObject* self) {
    Ref shown = support::call_method(support::getattr(self, names::text).get(), names::GetValue);
    Ref engine_text = support::getattr(support::getattr(self, names::fettler).get(), names::text);
    return !support::equals(shown.get(), engine_text.get());
}

const support::FunctionDef check_def{"check", "FettleGUI.check", event_params, check};
const support::FunctionDef run_check_def{"_check", "FettleGUI._check", self_only, run_check};
const support::FunctionDef update_def{"update", "FettleGUI.update", self_only, update};
const support::FunctionDef errors_def{"errors", "FettleGUI.errors", self_only, errors, "list[str]"};

}  // namespace gui_main
