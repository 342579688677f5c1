// Fettler._languages and Fettler.next_language: the language rotation.
#include "fettler/members.hpp"
#include "fettler/names.hpp"
#include "fettler/rotation.hpp"
#include "fettler/state.hpp"
#include "support/builtins.hpp"
#include "support/globals.hpp"
#include "support/own_instance.hpp"

namespace fettler {
namespace {

using support::FunctionObject;
using support::Param;
using support::Ref;

// A generator function: the call only makes the generator; its body runs
// on the first advance.
Ref languages(FunctionObject& function, support::BoundArgs args) {
    return make_rotation(state_of(function).generator_type.get(), function, args[0]);
}

const support::Builtin builtin_next("next");

Ref next_language(FunctionObject& function, support::BoundArgs args) {
    PyObject* self = args[0];
    support::call_own(function, self, names::close);
    Ref next = support::load_global(function, names::next);
    Ref rotation = support::get_own(function, self, names::rotation);
    // The built-in next() of our own rotation is the rotation's advance;
    // anything else is called.
    std::optional<Ref> advanced =
        builtin_next.is(function.strings(), next.get()) ? next_of_rotation(rotation.get()) : std::nullopt;
    Ref lang = advanced ? std::move(*advanced) : support::call(next.get(), rotation.get());
    support::set_own(function, self, names::current_language, lang.get());
    return lang;
}

const Param self_only[] = {{"self"}};

}  // namespace

const support::FunctionDef languages_def{
    .name = "_languages", .qualname = "Fettler._languages",
    .params = self_only, .body = languages, .return_annotation = "Languages"};
const support::FunctionDef next_language_def{
    .name = "next_language", .qualname = "Fettler.next_language",
    .params = self_only, .body = next_language, .return_annotation = "Languages"};

}  // namespace fettler
