// Module `gui.main`: its imports and the class statement of FettleGUI, run
// by the exec slot once the import system has set __spec__ and
// __package__ (the relative imports need them).
#include "gui/main/members.hpp"
#include "gui/main/names.hpp"
#include "gui/main/state.hpp"
#include "support/class_builder.hpp"
#include "support/globals.hpp"
#include "support/imports.hpp"
#include "support/module_slots.hpp"
#include "support/module_state.hpp"

namespace gui_main {
namespace {

using support::Ref;

extern PyModuleDef module_def;

// class FettleGUI(wx.Dialog): its members in definition order.
void define_fettle_gui(PyObject* globals, const ModuleState& state) {
    const support::ModuleStrings& strings = state.base.strings;
    PyObject* function_type = state.function_type.get();
    Ref wx = support::check(PyObject_GetItem(globals, strings[names::wx]));
    Ref dialog = support::getattr(wx.get(), strings[names::Dialog]);
    Ref bases = support::check(PyTuple_Pack(1, dialog.get()));
    support::ClassBuilder body(state.base.python_types, strings, module_def.m_name, "FettleGUI", "FettleGUI",
                               bases.get());
    PyObject* cell = body.class_cell();
    Ref no_corrector = support::check(PyTuple_Pack(1, Py_None));
    auto function = [&](const support::FunctionDef& def, PyObject* defaults = nullptr) {
        return support::make_function(function_type, def, globals, defaults, cell);
    };
    body.add("_instance", Py_None);
    body.add("create_fettle_gui",
             state.base.python_types.static_method(function(create_fettle_gui_def, no_corrector.get()).get()).get());
    body.add("__new__", state.base.python_types.static_method(function(new_def).get()).get());
    body.add("__init__", function(init_def, no_corrector.get()).get());
    body.add("build_ui", function(build_ui_def).get());
    body.add("_bindEvents", function(bind_events_def).get());
    body.add("process_char_hooks", function(process_char_hooks_def).get());
    body.add("close", function(close_def).get());
    body.add("close_window", function(close_window_def).get());
    body.add("check", function(check_def).get());
    body.add("_check", function(run_check_def).get());
    body.add("update", function(update_def).get());
    body.add("errors", support::make_property(function(errors_def).get()).get());
    body.add("output", function(output_def).get());
    Ref cls = body.finish();
    support::store_global(globals, "FettleGUI", cls.get());
}

int exec_module(PyObject* module) {
    return support::guard(-1, [&] {
        ModuleState& state = support::make_module_state<ModuleState>(module);
        state.base.make();
        state.function_type = support::make_function_type(module, "gui.main.function");
        state.shown = support::check(PyDict_New());
        PyObject* globals = PyModule_GetDict(module);
        support::from_import(state.base.strings, globals, 0, "typing", "Optional", "Optional");
        support::import_module(state.base.strings, globals, "api");
        support::import_module(state.base.strings, globals, "gui");
        support::import_module(state.base.strings, globals, "ui");
        support::import_module(state.base.strings, globals, "wx");
        support::from_import(state.base.strings, globals, 1, "replacements", "ReplacementsGUI", "ReplacementsGUI");
        support::from_import(state.base.strings, globals, 2, "corrector", "Corrector", "Corrector");
        support::from_import(state.base.strings, globals, 2, "fettler", "Fettler", "Fettler");
        support::from_import(state.base.strings, globals, 2, "translations", "Translator", "Translator");
        define_fettle_gui(globals, state);
        return 0;
    });
}

PyModuleDef_Slot module_slots[] = {
    {Py_mod_exec, reinterpret_cast<void*>(exec_module)},
    FETTLE_INTERPRETER_SLOTS
    {0, nullptr},
};

constinit PyModuleDef module_def = support::module_def_with_state<ModuleState>("gui.main", module_slots);

}  // namespace
}  // namespace gui_main

PyMODINIT_FUNC PyInit_main() { return PyModuleDef_Init(&gui_main::module_def); }
