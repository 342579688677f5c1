// FettleGUI.build_ui: the controls, their sizers and the first fill.
//
// Three groups stacked top to bottom (the text, the error list, the
// buttons), each a box sizer holding a host BoxSizerHelper's sizer.  The
// controls are created in keyboard-navigation order.
#include "gui/main/members.hpp"
#include "gui/main/names.hpp"
#include "support/globals.hpp"

namespace gui_main {
namespace {

using support::FunctionObject;
using support::Name;
using support::Param;
using support::Ref;

// Reads wx constants and classes from the module's `wx` when build_ui runs.
class Wx {
public:
    explicit Wx(const FunctionObject& function)
        : strings_(function.strings()), wx_(support::load_global(function, names::wx)) {}

    Ref operator[](const Name& name) const { return support::getattr(wx_.get(), strings_[name]); }
    const support::ModuleStrings& strings() const noexcept { return strings_; }

    // wx.<a> | wx.<b>
    Ref either(const Name& a, const Name& b) const {
        Ref first = (*this)[a];
        Ref second = (*this)[b];
        return support::check(PyNumber_Or(first.get(), second.get()));
    }

    // wx.<a> | wx.<b> | wx.<c>
    Ref either(const Name& a, const Name& b, const Name& c) const {
        Ref first = either(a, b);
        Ref third = (*this)[c];
        return support::check(PyNumber_Or(first.get(), third.get()));
    }

private:
    const support::ModuleStrings& strings_;
    Ref wx_;
};

// sizer.Add(item, border=2, flag=wx.EXPAND | wx.ALL)
void add_to(const Wx& wx, PyObject* sizer, PyObject* item) {
    const support::ModuleStrings& strings = wx.strings();
    Ref add_method = support::getattr(sizer, strings[names::Add]);
    Ref border = support::check(PyLong_FromLong(2));
    Ref flag = wx.either(names::EXPAND, names::ALL);
    support::call_with_keywords(add_method.get(), {item},
                                {{strings[names::border], border.get()}, {strings[names::flag], flag.get()}});
}

Ref box_sizer(const Wx& wx, const Name& orientation) {
    Ref box_sizer_class = wx[names::BoxSizer];
    Ref value = wx[orientation];
    return support::call(box_sizer_class.get(), value.get());
}

// gui.guiHelper.BoxSizerHelper(self, orientation=wx.<orientation>)
Ref sizer_helper(const FunctionObject& function, const Wx& wx, PyObject* self, const Name& orientation) {
    const support::ModuleStrings& strings = function.strings();
    Ref gui = support::load_global(function, names::gui);
    Ref gui_helper = support::getattr(gui.get(), strings[names::guiHelper]);
    Ref helper_class = support::getattr(gui_helper.get(), strings[names::BoxSizerHelper]);
    Ref value = wx[orientation];
    return support::call_with_keywords(helper_class.get(), {self}, {{strings[names::orientation], value.get()}});
}

// wx.<control>(self, wx.ID_ANY, <keyword>=<value>[, style=<style>])
Ref control(const Wx& wx, PyObject* self, const Name& control_class, const Name& keyword, PyObject* value,
            PyObject* style = nullptr) {
    const support::ModuleStrings& strings = wx.strings();
    Ref cls = wx[control_class];
    Ref id_any = wx[names::ID_ANY];
    if (style != nullptr) {
        return support::call_with_keywords(cls.get(), {self, id_any.get()},
                                           {{strings[keyword], value}, {strings[names::style], style}});
    }
    return support::call_with_keywords(cls.get(), {self, id_any.get()}, {{strings[keyword], value}});
}

Ref translation(const FunctionObject& function, const Name& name) {
    Ref translator = support::load_global(function, names::Translator);
    return support::getattr(translator.get(), function.strings()[name]);
}

// self.<attribute> = helper.addItem(wx.Button(self, wx.ID_ANY, label=Translator.<label>))
void add_button(const FunctionObject& function, const Wx& wx, PyObject* self, PyObject* helper, const Name& label_name,
                const Name& attribute) {
    const support::ModuleStrings& strings = function.strings();
    Ref add_item = support::getattr(helper, strings[names::addItem]);
    Ref label = translation(function, label_name);
    Ref button = control(wx, self, names::Button, names::label, label.get());
    Ref kept = support::call(add_item.get(), button.get());
    support::setattr(self, strings[attribute], kept.get());
}

Ref build_ui(FunctionObject& function, support::BoundArgs args) {
    const support::ModuleStrings& strings = function.strings();
    PyObject* self = args[0];
    const Wx wx(function);
    Ref main_sizer = box_sizer(wx, names::VERTICAL);

    // The text under correction, labelled by the helper.
    Ref text_sizer = box_sizer(wx, names::HORIZONTAL);
    Ref text_helper = sizer_helper(function, wx, self, names::HORIZONTAL);
    {
        Ref add_labeled = support::getattr(text_helper.get(), strings[names::addLabeledControl]);
        Ref label = translation(function, names::text);
        Ref text_ctrl_class = wx[names::TextCtrl];
        Ref style = wx.either(names::TE_MULTILINE, names::HSCROLL);
        Ref text = support::call_with_keywords(add_labeled.get(), {label.get(), text_ctrl_class.get()},
                                               {{strings[names::style], style.get()}});
        support::setattr(self, strings[names::text], text.get());
    }
    add_to(wx, text_sizer.get(), support::getattr(text_helper.get(), strings[names::sizer]).get());
    add_to(wx, main_sizer.get(), text_sizer.get());

    // The error list under its label.
    Ref errors_sizer = box_sizer(wx, names::VERTICAL);
    Ref errors_helper = sizer_helper(function, wx, self, names::VERTICAL);
    {
        Ref add_item = support::getattr(errors_helper.get(), strings[names::addItem]);
        Ref label_text = translation(function, names::list_errors);
        Ref label = control(wx, self, names::StaticText, names::label, label_text.get());
        support::call(add_item.get(), label.get());
    }
    {
        Ref add_item = support::getattr(errors_helper.get(), strings[names::addItem]);
        Ref errors = support::getattr(self, strings[names::errors]);
        Ref style = wx.either(names::LB_HSCROLL, names::LB_NEEDED_SB, names::LB_SINGLE);
        Ref list = control(wx, self, names::ListBox, names::choices, errors.get(), style.get());
        Ref errors_control = support::call(add_item.get(), list.get());
        support::setattr(self, strings[names::errors_control], errors_control.get());
    }
    add_to(wx, errors_sizer.get(), support::getattr(errors_helper.get(), strings[names::sizer]).get());
    add_to(wx, main_sizer.get(), errors_sizer.get());

    // The buttons, side by side.
    Ref button_sizer = box_sizer(wx, names::HORIZONTAL);
    Ref button_helper = sizer_helper(function, wx, self, names::HORIZONTAL);
    add_button(function, wx, self, button_helper.get(), names::check, names::check_button);
    add_button(function, wx, self, button_helper.get(), names::close, names::close_button);
    add_to(wx, button_sizer.get(), support::getattr(button_helper.get(), strings[names::sizer]).get());
    add_to(wx, main_sizer.get(), button_sizer.get());

    support::call_method(self, strings[names::update]);
    support::call_method(self, strings[names::SetSizer], main_sizer.get());
    support::call_method(self, strings[names::Layout]);
    support::call_method(self, strings[names::CentreOnScreen]);
    return Ref::borrow(Py_None);
}

const Param self_only[] = {{"self"}};

}  // namespace

const support::FunctionDef build_ui_def{"build_ui", "FettleGUI.build_ui", self_only, build_ui};

}  // namespace gui_main
