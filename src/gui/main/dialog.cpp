// The dialog's helpers shared by several members (declared in dialog.hpp).
#include "gui/main/dialog.hpp"
#include "gui/main/names.hpp"
#include "support/globals.hpp"

namespace gui_main {

using support::FunctionObject;
using support::Ref;

bool window_is_gone(const FunctionObject& function, PyObject* window) {
    const support::ModuleStrings& strings = function.strings();
    Ref wx = support::load_global(function, names::wx);
    Ref window_class = support::getattr(wx.get(), strings[names::Window]);
    if (!support::check_status(PyObject_IsInstance(window, window_class.get()))) {
        return false;
    }
    if (!support::is_true(window)) {
        return true;  // the native window was destroyed
    }
    Ref app = support::call_method(wx.get(), strings[names::GetApp]);
    if (app.get() == Py_None) {
        return false;
    }
    Ref scheduled = support::call_method(app.get(), strings[names::IsScheduledForDestruction], window);
    return support::is_true(scheduled.get());
}

void forget_dialog(const FunctionObject& function, PyObject* window) {
    const support::ModuleStrings& strings = function.strings();
    Ref cls = function.class_from_cell();
    Ref recorded = support::getattr(cls.get(), strings[names::instance]);
    if (recorded.get() == window) {
        support::setattr(cls.get(), strings[names::instance], Py_None);
    }
    support::call_method(window, strings[names::Destroy]);
}

void forget_destroyed_dialog(const FunctionObject& function, PyObject* cls) {
    const support::ModuleStrings& strings = function.strings();
    Ref recorded = support::getattr(cls, strings[names::instance]);
    if (recorded.get() != Py_None && window_is_gone(function, recorded.get())) {
        support::setattr(cls, strings[names::instance], Py_None);
    }
}

// api.copyToClip(text, notify=False)
void copy_to_clipboard(const FunctionObject& function, PyObject* text) {
    const support::ModuleStrings& strings = function.strings();
    Ref api = support::load_global(function, names::api);
    Ref copy = support::getattr(api.get(), strings[names::copyToClip]);
    support::call_with_keywords(copy.get(), {text}, {{strings[names::notify], Py_False}});
}

}  // namespace gui_main
