// Fettler: construction, the lazily built back-ends, the two support
// properties and close.
#include "fettler/default_search.hpp"
#include "fettler/members.hpp"
#include "fettler/names.hpp"
#include "fettler/state.hpp"
#include "support/globals.hpp"
#include "support/own_instance.hpp"

namespace fettler {
namespace {

using support::FunctionObject;
using support::Param;
using support::Ref;

Ref init(FunctionObject& function, support::BoundArgs args) {
    const support::ModuleStrings& strings = function.strings();
    PyObject* self = args[0];
    // The generic protocol: the instance __dict__ the own-class path reads
    // would be made here for every engine, which only pays off for one
    // that is used afterwards (its first use makes it then).
    support::setattr(self, strings[names::config], args[1]);
    support::setattr(self, strings[names::speller], Py_None);
    support::setattr(self, strings[names::lang_tool], Py_None);
    Ref empty_text = support::check(PyUnicode_FromStringAndSize("", 0));
    support::setattr(self, strings[names::text], empty_text.get());
    Ref empty_matches = support::check(PyList_New(0));
    support::setattr(self, strings[names::matches], empty_matches.get());
    support::setattr(self, strings[names::current_language], Py_None);
    Ref rotation = support::call_method(self, strings[names::languages]);
    support::setattr(self, strings[names::rotation], rotation.get());
    search_default(self, state_of(function));
    return Ref::borrow(Py_None);
}

// <companion types>.Languages and self.current_language.name, read in
// Python's order of evaluation.
struct LanguageLookup {
    Ref table;
    Ref name;
};

LanguageLookup language_lookup(FunctionObject& function, PyObject* self, const support::Name& types_global) {
    const support::ModuleStrings& strings = function.strings();
    Ref types = support::load_global(function, types_global);
    Ref table = support::getattr(types.get(), strings[names::Languages]);
    Ref current = support::get_own(function, self, names::current_language);
    Ref name = support::getattr(current.get(), strings[names::name]);
    return {std::move(table), std::move(name)};
}

// getattr(<companion types>.Languages, self.current_language.name).value
Ref language_code(FunctionObject& function, PyObject* self, const support::Name& types_global) {
    const support::ModuleStrings& strings = function.strings();
    const LanguageLookup lookup = language_lookup(function, self, types_global);
    Ref language = support::getattr(lookup.table.get(), lookup.name.get());
    return support::getattr(language.get(), strings[names::value]);
}

Ref init_speller(FunctionObject& function, support::BoundArgs args) {
    const support::ModuleStrings& strings = function.strings();
    PyObject* self = args[0];
    Ref existing = support::get_own(function, self, names::speller);
    if (support::is_true(existing.get())) {
        return Ref::borrow(Py_None);
    }
    Ref speller_class = support::load_global(function, names::Speller);
    Ref code = language_code(function, self, names::ac_types);
    Ref speller = support::call_with_keywords(speller_class.get(), {}, {{strings[names::lang], code.get()}});
    support::set_own(function, self, names::speller, speller.get());
    return Ref::borrow(Py_None);
}

Ref init_lang_tool(FunctionObject& function, support::BoundArgs args) {
    PyObject* self = args[0];
    Ref existing = support::get_own(function, self, names::lang_tool);
    if (support::is_true(existing.get())) {
        return Ref::borrow(Py_None);
    }
    Ref tool_class = support::load_global(function, names::LanguageTool);
    Ref code = language_code(function, self, names::lt_types);
    Ref tool = support::call(tool_class.get(), code.get());
    support::set_own(function, self, names::lang_tool, tool.get());
    return Ref::borrow(Py_None);
}

// hasattr(<companion types>.Languages, self.current_language.name), except
// that any exception of the look-up itself means "not supported".
Ref supports(FunctionObject& function, PyObject* self, const support::Name& types_global) {
    const LanguageLookup lookup = language_lookup(function, self, types_global);
    if (!PyUnicode_Check(lookup.name.get())) {
        support::raise(PyExc_TypeError, "hasattr(): attribute name must be string");
    }
    Ref found = Ref::steal(PyObject_GetAttr(lookup.table.get(), lookup.name.get()));
    if (!found) {
        PyErr_Clear();
    }
    return Ref::borrow(found ? Py_True : Py_False);
}

Ref is_lang_tool_supports(FunctionObject& function, support::BoundArgs args) { return supports(function, args[0], names::lt_types); }

Ref is_autocorrect_supports(FunctionObject& function, support::BoundArgs args) {
    return supports(function, args[0], names::ac_types);
}

Ref close(FunctionObject& function, support::BoundArgs args) {
    const support::ModuleStrings& strings = function.strings();
    PyObject* self = args[0];
    Ref speller = support::get_own(function, self, names::speller);
    if (support::is_true(speller.get())) {
        support::set_own(function, self, names::speller, Py_None);
    }
    Ref tool = support::get_own(function, self, names::lang_tool);
    if (support::is_true(tool.get())) {
        Ref tool_now = support::get_own(function, self, names::lang_tool);
        support::call_method(tool_now.get(), strings[names::close]);
        support::set_own(function, self, names::lang_tool, Py_None);
    }
    return Ref::borrow(Py_None);
}

const Param self_only[] = {{"self"}};
const Param init_params[] = {{"self"}, {"config", "Config"}};

}  // namespace

const support::FunctionDef init_def{"__init__", "Fettler.__init__", init_params, init};
const support::FunctionDef init_speller_def{"init_speller", "Fettler.init_speller", self_only, init_speller};
const support::FunctionDef init_lang_tool_def{"init_lang_tool", "Fettler.init_lang_tool", self_only, init_lang_tool};
const support::FunctionDef is_lang_tool_supports_def{
    .name = "is_lang_tool_supports", .qualname = "Fettler.is_lang_tool_supports",
    .params = self_only, .body = is_lang_tool_supports, .return_annotation = "bool"};
const support::FunctionDef is_autocorrect_supports_def{
    .name = "is_autocorrect_supports", .qualname = "Fettler.is_autocorrect_supports",
    .params = self_only, .body = is_autocorrect_supports, .return_annotation = "bool"};
const support::FunctionDef close_def{"close", "Fettler.close", self_only, close};

}  // namespace fettler
