// FettleGUI._bindEvents and process_char_hooks: the dialog's keys.
//
// Escape closes the dialog, Ctrl+Enter in the text checks it, Enter on the
// error list fixes the selected error.  A key that ran one of these actions
// is consumed: passed on, the text control would insert a line break into
// the text the check has just put there.  Every other key goes on to wx.
//
// wxGTK never shows Enter on a list box to the char hook; it activates the
// item instead.  So activation of an error item (Enter there, a double
// click everywhere) is handled exactly as Enter on the list; because the
// hook consumes Enter where it does see it, one key press fixes once.
#include "gui/main/dialog.hpp"
#include "gui/main/members.hpp"
#include "gui/main/names.hpp"
#include "support/globals.hpp"

namespace gui_main {
namespace {

using support::FunctionObject;
using support::Param;
using support::Ref;

Ref bind_events(FunctionObject& function, support::BoundArgs args) {
    const support::ModuleStrings& strings = function.strings();
    PyObject* self = args[0];
    Ref wx = support::load_global(function, names::wx);
    auto bind = [&](const support::Name& event, const support::Name& handler, const support::Name* source) {
        Ref bind_method = support::getattr(self, strings[names::Bind]);
        Ref binder = support::getattr(wx.get(), strings[event]);
        Ref bound_handler = support::getattr(self, strings[handler]);
        if (source == nullptr) {
            support::call(bind_method.get(), binder.get(), bound_handler.get());
        } else {
            Ref source_window = support::getattr(self, strings[*source]);
            support::call(bind_method.get(), binder.get(), bound_handler.get(), source_window.get());
        }
    };
    bind(names::EVT_CLOSE, names::close_window, nullptr);
    bind(names::EVT_CHAR_HOOK, names::process_char_hooks, nullptr);
    bind(names::EVT_BUTTON, names::check, &names::check_button);
    bind(names::EVT_BUTTON, names::close, &names::close_button);
    bind(names::EVT_LISTBOX_DCLICK, names::process_char_hooks, &names::errors_control);
    return Ref::borrow(Py_None);
}

// event.GetId() == self.<control>.GetId()
bool from_control(const support::ModuleStrings& strings, PyObject* self, PyObject* event,
                  const support::Name& control) {
    Ref event_id = support::call_method(event, strings[names::GetId]);
    Ref window = support::getattr(self, strings[control]);
    Ref window_id = support::call_method(window.get(), strings[names::GetId]);
    return support::equals(event_id.get(), window_id.get());
}

bool is_key(const support::ModuleStrings& strings, PyObject* keycode, PyObject* wx, const support::Name& key) {
    Ref wanted = support::getattr(wx, strings[key]);
    return support::equals(keycode, wanted.get());
}

// Fixes the selected error: with one replacement at once, otherwise through
// the package's chooser once this event is handled.  Nothing is selected:
// nothing to fix.  The user typed since the last update, or the engine's
// text was replaced: the matches no longer fit it, so the control's text is
// checked instead (shown.cpp).
void fix_selected_error(FunctionObject& function, PyObject* self, PyObject* wx) {
    const support::ModuleStrings& strings = function.strings();
    Ref errors_control = support::getattr(self, strings[names::errors_control]);
    Ref index = support::call_method(errors_control.get(), strings[names::GetSelection]);
    Ref not_found = support::getattr(wx, strings[names::NOT_FOUND]);
    if (support::equals(index.get(), not_found.get())) {
        return;
    }
    if (fix_needs_check(function, self, false)) {
        support::call_method(self, strings[names::run_check]);
        return;
    }
    Ref fettler = support::getattr(self, strings[names::fettler]);
    Ref matches = support::getattr(fettler.get(), strings[names::matches]);
    Ref match = support::getitem(matches.get(), index.get());
    Ref replacements = support::getattr(match.get(), strings[names::replacements]);
    const Py_ssize_t count = PyObject_Length(replacements.get());
    if (count < 0) {
        support::throw_error();
    }
    if (count == 1) {
        Ref only = support::getitem(support::getattr(match.get(), strings[names::replacements]).get(), Py_ssize_t{0});
        const ControlRead control_read(function, self);
        support::call_method(self, strings[names::output], only.get());
        return;
    }
    Ref call_after = support::getattr(wx, strings[names::CallAfter]);
    Ref chooser_class = support::load_global(function, names::ReplacementsGUI);
    Ref create = support::getattr(chooser_class.get(), strings[names::create_replacements_gui]);
    Ref all = support::getattr(match.get(), strings[names::replacements]);
    Ref output = support::getattr(self, strings[names::output]);
    support::call(call_after.get(), create.get(), all.get(), output.get());
}

Ref process_char_hooks(FunctionObject& function, support::BoundArgs args) {
    const support::ModuleStrings& strings = function.strings();
    PyObject* self = args[0];
    PyObject* event = args[1];
    Ref wx = support::load_global(function, names::wx);

    Ref event_type = support::call_method(event, strings[names::GetEventType]);
    Ref activation = support::getattr(wx.get(), strings[names::wxEVT_LISTBOX_DCLICK]);
    if (support::equals(event_type.get(), activation.get())) {
        fix_selected_error(function, self, wx.get());
        return Ref::borrow(Py_None);
    }

    Ref keycode = support::call_method(event, strings[names::GetKeyCode]);
    if (is_key(strings, keycode.get(), wx.get(), names::WXK_ESCAPE)) {
        support::call_method(self, strings[names::Close], Py_True);
        return Ref::borrow(Py_None);
    }
    if (from_control(strings, self, event, names::text) &&
        is_key(strings, keycode.get(), wx.get(), names::WXK_RETURN) &&
        support::is_true(support::call_method(event, strings[names::ControlDown]).get())) {
        support::call_method(self, strings[names::run_check]);
        return Ref::borrow(Py_None);
    }
    if (from_control(strings, self, event, names::errors_control) &&
        is_key(strings, keycode.get(), wx.get(), names::WXK_RETURN)) {
        fix_selected_error(function, self, wx.get());
        return Ref::borrow(Py_None);
    }
    support::call_method(event, strings[names::Skip]);
    return Ref::borrow(Py_None);
}

const Param self_only[] = {{"self"}};
const Param event_params[] = {{"self"}, {"event"}};

}  // namespace

const support::FunctionDef bind_events_def{"_bindEvents", "FettleGUI._bindEvents", self_only, bind_events};
const support::FunctionDef process_char_hooks_def{"process_char_hooks", "FettleGUI.process_char_hooks", event_params,
                                                  process_char_hooks};

}  // namespace gui_main
