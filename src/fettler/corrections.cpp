// Fettler's suggestions and corrections.
#include "fettler/members.hpp"
#include "fettler/names.hpp"
#include "fettler/state.hpp"
#include "support/abi.hpp"
#include "support/builtins.hpp"
#include "support/globals.hpp"
#include "support/own_instance.hpp"

#include <vector>

namespace fettler {
namespace {

using support::FunctionObject;
using support::Param;
using support::Ref;

// The sort key of get_variants_simple: lambda candidate: candidate[0]
Ref candidate_key(FunctionObject&, support::BoundArgs args) { return support::getitem(args[0], Py_ssize_t{0}); }

PyObject* candidate_key_body(PyObject*, PyObject* candidate) {
    return support::guard_object([&] { return support::getitem(candidate, Py_ssize_t{0}); });
}

PyMethodDef candidate_key_method = {"<lambda>", candidate_key_body, METH_O, nullptr};

const support::Builtin builtin_sorted("sorted");

Ref get_variants_simple(FunctionObject& function, support::BoundArgs args) {
    const support::ModuleStrings& strings = function.strings();
    PyObject* self = args[0];
    PyObject* word = args[1];
    support::call_own(function, self, names::init_speller);
    support::set_own(function, self, names::text, word);
    // candidates = self.speller.get_candidates(word), a statement of its
    // own, and only then sorted(candidates, key=lambda c: c[0]): the global
    // is read after the back-end ran, which may have replaced it.
    Ref speller = support::get_own(function, self, names::speller);
    Ref candidates = support::call_method(speller.get(), strings[names::get_candidates], word);
    Ref sorted = support::load_global(function, names::sorted);
    const ModuleState& state = state_of(function);
    // Another sorted() may keep its key or set attributes on it: a lambda
    // of this call's own, as Python makes one at each call.
    Ref key = builtin_sorted.is(strings, sorted.get())
                  ? state.candidate_key_builtin
                  : support::make_function(state.function_type.get(), candidate_key_def, function.globals());
    Ref ordered = support::call_with_keywords(sorted.get(), {candidates.get()}, {{strings[names::key], key.get()}});
    // [candidate[1] for candidate in ordered]
    if (PyList_CheckExact(ordered.get())) {
        // Walked by index as the list's own iterator walks it: the length
        // read again at every step.  The suggestions are gathered and made
        // into the list at the end (support::new_list).
        std::vector<Ref> gathered;
        support::allocating([&] { gathered.reserve(static_cast<std::size_t>(support::list_size(ordered.get()))); });
        for (Py_ssize_t index = 0; Ref candidate = support::list_item_or_end(ordered.get(), index); ++index) {
            Ref suggestion = support::getitem(candidate.get(), Py_ssize_t{1});
            support::allocating([&] { gathered.push_back(std::move(suggestion)); });
        }
        return support::new_list(gathered);
    }
    Ref suggestions = support::check(PyList_New(0));
    Ref iterator = support::check(PyObject_GetIter(ordered.get()));
    while (Ref candidate = Ref::steal(PyIter_Next(iterator.get()))) {
        Ref suggestion = support::getitem(candidate.get(), Py_ssize_t{1});
        support::check_status(PyList_Append(suggestions.get(), suggestion.get()));
    }
    if (PyErr_Occurred()) {
        support::throw_error();
    }
    return suggestions;
}

Ref get_variants_extended(FunctionObject& function, support::BoundArgs args) {
    const support::ModuleStrings& strings = function.strings();
    PyObject* self = args[0];
    PyObject* word = args[1];
    support::call_own(function, self, names::init_lang_tool);
    support::set_own(function, self, names::text, word);
    Ref tool = support::get_own(function, self, names::lang_tool);
    Ref matches = support::call_method(tool.get(), strings[names::check], word);
    support::set_own(function, self, names::matches, matches.get());
    Ref stored = support::get_own(function, self, names::matches);
    Ref first = support::getitem(stored.get(), Py_ssize_t{0});
    return support::getattr(first.get(), strings[names::replacements]);
}

const support::StrConstant space(" ");

Ref correct_simple(FunctionObject& function, support::BoundArgs args) {
    const support::ModuleStrings& strings = function.strings();
    PyObject* self = args[0];
    PyObject* text = args[1];
    support::call_own(function, self, names::init_speller);
    support::set_own(function, self, names::text, text);
    // len(text.split(" ")) >= 2: `text` is an exact str, so the number of
    // pieces is the number of separators plus one.
    const Py_ssize_t separators = PyUnicode_Count(text, strings[space], 0, PY_SSIZE_T_MAX);
    if (separators < 0) {
        support::throw_error();
    }
    Ref speller = support::get_own(function, self, names::speller);
    if (separators >= 1) {
        return support::call_method(speller.get(), strings[names::autocorrect_sentence], text);
    }
    return support::call_method(speller.get(), strings[names::autocorrect_word], text);
}

Ref correct_extended(FunctionObject& function, support::BoundArgs args) {
    const support::ModuleStrings& strings = function.strings();
    PyObject* self = args[0];
    PyObject* text = args[1];
    support::call_own(function, self, names::init_lang_tool);
    support::set_own(function, self, names::text, text);
    Ref tool = support::get_own(function, self, names::lang_tool);
    Ref matches = support::call_method(tool.get(), strings[names::check], text);
    support::set_own(function, self, names::matches, matches.get());
    Ref correct = support::load_global(function, names::lt_correct);
    Ref stored = support::get_own(function, self, names::matches);
    return support::call(correct.get(), text, stored.get());
}

const Param word_params[] = {{"self"}, {.name = "word", .annotation = "str", .exact_str = true}};
const Param text_params[] = {{"self"}, {.name = "text", .annotation = "str", .exact_str = true}};
const Param key_params[] = {{"candidate"}};

}  // namespace

const support::FunctionDef get_variants_simple_def{"get_variants_simple", "Fettler.get_variants_simple", word_params,
                                                   get_variants_simple};
const support::FunctionDef get_variants_extended_def{"get_variants_extended", "Fettler.get_variants_extended",
                                                     word_params, get_variants_extended};
const support::FunctionDef correct_simple_def{"correct_simple", "Fettler.correct_simple", text_params,
                                              correct_simple};
const support::FunctionDef correct_extended_def{"correct_extended", "Fettler.correct_extended", text_params,
                                                correct_extended};
Ref make_candidate_key_builtin() { return support::check(PyCFunction_NewEx(&candidate_key_method, nullptr, nullptr)); }

const support::FunctionDef candidate_key_def{"<lambda>", "Fettler.get_variants_simple.<locals>.<lambda>", key_params,
                                             candidate_key};

}  // namespace fettler
