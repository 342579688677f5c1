// Module `fettler`: its imports and the class statement of Fettler, run by
// the exec slot once the import system has set __spec__ and __package__.
#include "fettler/members.hpp"
#include "fettler/names.hpp"
#include "fettler/rotation.hpp"
#include "fettler/state.hpp"
#include "support/class_builder.hpp"
#include "support/globals.hpp"
#include "support/imports.hpp"
#include "support/module_slots.hpp"

namespace fettler {
namespace {

using support::Ref;

extern PyModuleDef module_def;

// What instances of Fettler keep in their __dict__, and the methods its
// own code calls on self (support/own_class.hpp).
const support::Name* const instance_names[] = {
    &names::config, &names::speller, &names::lang_tool, &names::text,
    &names::matches, &names::current_language, &names::rotation,
};
const support::OwnMethod own_methods[] = {
    {names::init_speller, init_speller_def},
    {names::init_lang_tool, init_lang_tool_def},
    {names::close, close_def},
};

// The class body of Fettler: its members in definition order.
void define_fettler(PyObject* globals, ModuleState& state) {
    PyObject* function_type = state.function_type.get();
    auto function = [&](const support::FunctionDef& def) {
        return support::make_function(function_type, def, globals);
    };
    Ref bases = support::check(PyTuple_Pack(1, reinterpret_cast<PyObject*>(&PyBaseObject_Type)));
    support::ClassBuilder body(state.base.python_types, state.base.strings, module_def.m_name, "Fettler", "Fettler",
                               bases.get());
    body.add("__init__", function(init_def).get());
    body.add("init_speller", function(init_speller_def).get());
    body.add("init_lang_tool", function(init_lang_tool_def).get());
    body.add("is_lang_tool_supports", support::make_property(function(is_lang_tool_supports_def).get()).get());
    body.add("is_autocorrect_supports", support::make_property(function(is_autocorrect_supports_def).get()).get());
    body.add("close", function(close_def).get());
    body.add("_languages", function(languages_def).get());
    body.add("next_language", function(next_language_def).get());
    body.add("get_variants_simple", function(get_variants_simple_def).get());
    body.add("get_variants_extended", function(get_variants_extended_def).get());
    body.add("correct_simple", function(correct_simple_def).get());
    body.add("correct_extended", function(correct_extended_def).get());
    Ref fettler_class = body.finish();
    state.base.own_class.make(fettler_class.get(), function_type, instance_names, own_methods,
                              state.base.class_versions, state.base.strings);
    support::store_global(globals, "Fettler", fettler_class.get());
}

int exec_module(PyObject* module) {
    return support::guard(-1, [&] {
        ModuleState& state = support::make_module_state<ModuleState>(module);
        state.base.make();
        state.function_type = support::make_function_type(module, "fettler.function");
        state.generator_type = make_generator_type(module);
        PyObject* globals = PyModule_GetDict(module);
        state.candidate_key_builtin = make_candidate_key_builtin();

        Ref itertools = support::import_name(state.base.strings, globals, "itertools", 0, {"cycle"});
        state.cycle_type = support::import_from(state.base.strings, itertools.get(), "cycle");
        support::store_global(globals, "cycle", state.cycle_type.get());
        support::from_import(state.base.strings, globals, 1, "autocorrect", "Speller", "Speller");
        support::from_import(state.base.strings, globals, 1, "autocorrect", "types", "ac_types");
        support::from_import(state.base.strings, globals, 1, "config", "Config", "Config");
        support::from_import(state.base.strings, globals, 1, "language_tool_python", "LanguageTool", "LanguageTool");
        support::from_import(state.base.strings, globals, 1, "language_tool_python", "types", "lt_types");
        support::from_import(state.base.strings, globals, 1, "language_tool_python.utils", "correct", "lt_correct");
        support::from_import(state.base.strings, globals, 1, "types", "Languages", "Languages");
        define_fettler(globals, state);
        return 0;
    });
}

PyModuleDef_Slot module_slots[] = {
    {Py_mod_exec, reinterpret_cast<void*>(exec_module)},
    FETTLE_INTERPRETER_SLOTS
    {0, nullptr},
};

constinit PyModuleDef module_def = support::module_def_with_state<ModuleState>("fettler", module_slots);

}  // namespace
}  // namespace fettler

PyMODINIT_FUNC PyInit_fettler() { return PyModuleDef_Init(&fettler::module_def); }
