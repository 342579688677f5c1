// FettleGUI: opening (create_fettle_gui), construction (__new__,
// __init__) and closing (close, close_window).
//
// The open dialog is recorded in the class attribute `_instance` at the end
// of a successful __init__ and cleared when it closes, so the guards of
// create_fettle_gui, __new__ and __init__ keep a second dialog from being
// opened while one is shown.  The user must never be locked out of the
// dialog: a recorded dialog whose window is gone, by whatever path, counts
// as no dialog; one that cannot be shown is destroyed and forgotten; and
// closing destroys the window and clears the record even when the engine
// fails to close.
#include "gui/main/dialog.hpp"
#include "gui/main/members.hpp"
#include "gui/main/names.hpp"
#include "support/abi.hpp"
#include "support/finally.hpp"
#include "support/globals.hpp"

namespace gui_main {
namespace {

using support::FunctionObject;
using support::Param;
using support::ParamKind;
using support::Ref;

// super(cls, obj), with the defining class from the `__class__` cell, as a
// zero-argument super() inside the class body.
Ref super_of(FunctionObject& function, PyObject* obj) {
    Ref super = support::load_global(function, names::super);
    Ref cls = function.class_from_cell();
    return support::call(super.get(), cls.get(), obj);
}

Ref main_frame(FunctionObject& function) {
    const support::ModuleStrings& strings = function.strings();
    Ref gui = support::load_global(function, names::gui);
    return support::getattr(gui.get(), strings[names::mainFrame]);
}

Ref create_fettle_gui(FunctionObject& function, support::BoundArgs args) {
    const support::ModuleStrings& strings = function.strings();
    PyObject* fettler = args[0];
    PyObject* corrector = args[1];
    {
        Ref cls = support::load_global(function, names::FettleGUI);
        forget_destroyed_dialog(function, cls.get());
        Ref open = support::getattr(cls.get(), strings[names::instance]);
        if (support::is_true(open.get())) {
            return Ref::borrow(Py_None);
        }
    }
    support::call_method(main_frame(function).get(), strings[names::prePopup]);
    // Once prePopup() has run, postPopup() always follows, also when the
    // dialog cannot be made or shown; the host would stay in popup mode.
    return support::try_finally(
        [&] {
            Ref cls = support::load_global(function, names::FettleGUI);
            Ref window = support::call(cls.get(), main_frame(function).get(), fettler, corrector);
            // A dialog that cannot be shown must not stay recorded as the
            // open one: hidden, it would keep the user from opening another.
            return support::on_error(
                [&] {
                    support::call_method(window.get(), strings[names::Show]);
                    return Ref::borrow(Py_None);
                },
                [&] { forget_dialog(function, window.get()); });
        },
        [&] { support::call_method(main_frame(function).get(), strings[names::postPopup]); });
}

Ref new_(FunctionObject& function, support::BoundArgs args) {
    const support::ModuleStrings& strings = function.strings();
    PyObject* cls = args[0];
    PyObject* positional = args[1];
    PyObject* keywords = args[2];
    forget_destroyed_dialog(function, function.class_from_cell().get());
    Ref open = support::getattr(cls, strings[names::instance]);
    if (open.get() == Py_None) {
        Ref base = super_of(function, cls);
        Ref base_new = support::getattr(base.get(), strings[names::dunder_new]);
        // base.__new__(cls, *args, **kwargs)
        const Py_ssize_t count = support::tuple_size(positional);
        Ref call_args = support::check(PyTuple_New(count + 1));
        support::tuple_fill(call_args.get(), 0, Ref::borrow(cls));
        for (Py_ssize_t i = 0; i < count; ++i) {
            support::tuple_fill(call_args.get(), i + 1, Ref::borrow(support::tuple_item(positional, i)));
        }
        return support::check(PyObject_Call(base_new.get(), call_args.get(), keywords));
    }
    return support::getattr(cls, strings[names::instance]);
}

Ref init(FunctionObject& function, support::BoundArgs args) {
    const support::ModuleStrings& strings = function.strings();
    PyObject* self = args[0];
    PyObject* parent = args[1];
    Ref open = support::getattr(self, strings[names::instance]);
    if (open.get() != Py_None) {
        return Ref::borrow(Py_None);
    }
    support::setattr(self, strings[names::fettler], args[2]);
    support::call_method(support::getattr(self, strings[names::fettler]).get(), strings[names::init_speller]);
    support::call_method(support::getattr(self, strings[names::fettler]).get(), strings[names::init_lang_tool]);
    support::setattr(self, strings[names::corrector], args[3]);
    Ref translator = support::load_global(function, names::Translator);
    Ref dialog_title = support::getattr(translator.get(), strings[names::main_window_title]);
    Ref base = super_of(function, self);
    Ref base_init = support::getattr(base.get(), strings[names::dunder_init]);
    Ref size = support::check(Py_BuildValue("(ii)", 800, 600));
    support::call_with_keywords(base_init.get(), {parent},
                                {{strings[names::title], dialog_title.get()}, {strings[names::size], size.get()}});
    support::call_method(self, strings[names::build_ui]);
    support::call_method(self, strings[names::bind_events]);
    // Only a completely built dialog counts as the open one.
    support::setattr(function.class_from_cell().get(), strings[names::instance], self);
    return Ref::borrow(Py_None);
}

Ref close(FunctionObject& function, support::BoundArgs args) {
    support::call_method(args[0], function.strings()[names::Close], Py_True);
    return Ref::borrow(Py_None);
}

// Every way of closing ends here.
Ref close_window(FunctionObject& function, support::BoundArgs args) {
    const support::ModuleStrings& strings = function.strings();
    PyObject* self = args[0];
    return support::try_finally(
        [&] {
            Ref fettler = support::getattr(self, strings[names::fettler]);
            Ref config = support::getattr(fettler.get(), strings[names::config]);
            Ref need_auto_correct = support::getattr(config.get(), strings[names::need_auto_correct]);
            if (support::is_true(need_auto_correct.get()) &&
                support::is_true(support::getattr(self, strings[names::corrector]).get())) {
                // wx.CallLater(500, self.corrector.set_text, self.fettler.text)
                Ref wx = support::load_global(function, names::wx);
                Ref call_later = support::getattr(wx.get(), strings[names::CallLater]);
                Ref delay = support::check(PyLong_FromLong(500));
                Ref corrector = support::getattr(self, strings[names::corrector]);
                Ref set_text = support::getattr(corrector.get(), strings[names::set_text]);
                Ref text =
                    support::getattr(support::getattr(self, strings[names::fettler]).get(), strings[names::text]);
                support::call(call_later.get(), delay.get(), set_text.get(), text.get());
            }
            support::call_method(support::getattr(self, strings[names::fettler]).get(), strings[names::close]);
            return Ref::borrow(Py_None);
        },
        // A failing back-end must not make the dialog impossible to close.
        [&] {
            support::call_method(self, strings[names::Destroy]);
            support::setattr(self, strings[names::instance], Py_None);
            Ref cls = function.class_from_cell();
            Ref recorded = support::getattr(cls.get(), strings[names::instance]);
            if (recorded.get() == self) {
                support::setattr(cls.get(), strings[names::instance], Py_None);
            }
        });
}

const Param create_params[] = {{"fettler", "Fettler"}, {"corrector", "Optional[Corrector]"}};
const Param new_params[] = {{"cls"},
                            {.name = "args", .kind = ParamKind::var_positional},
                            {.name = "kwargs", .kind = ParamKind::var_keyword}};
const Param init_params[] = {{"self"}, {"parent"}, {"fettler", "Fettler"}, {"corrector", "Optional[Corrector]"}};
const Param event_params[] = {{"self"}, {"event"}};

}  // namespace

const support::FunctionDef create_fettle_gui_def{
    .name = "create_fettle_gui", .qualname = "FettleGUI.create_fettle_gui",
    .params = create_params, .body = create_fettle_gui, .uses_class_cell = true};
const support::FunctionDef new_def{
    .name = "__new__", .qualname = "FettleGUI.__new__", .params = new_params, .body = new_, .uses_class_cell = true};
const support::FunctionDef init_def{
    .name = "__init__", .qualname = "FettleGUI.__init__", .params = init_params, .body = init, .uses_class_cell = true};
const support::FunctionDef close_def{"close", "FettleGUI.close", event_params, close};
const support::FunctionDef close_window_def{
    .name = "close_window", .qualname = "FettleGUI.close_window",
    .params = event_params, .body = close_window, .uses_class_cell = true};

}  // namespace gui_main
