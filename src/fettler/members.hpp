// The members of class Fettler, defined in the files named below.
#pragma once

#include "support/function.hpp"

namespace fettler {

// engine.cpp: construction, back-ends, support properties, close.
extern const support::FunctionDef init_def;
extern const support::FunctionDef init_speller_def;
extern const support::FunctionDef init_lang_tool_def;
extern const support::FunctionDef is_lang_tool_supports_def;
extern const support::FunctionDef is_autocorrect_supports_def;
extern const support::FunctionDef close_def;

// languages.cpp: the rotation.
extern const support::FunctionDef languages_def;
extern const support::FunctionDef next_language_def;

// corrections.cpp: suggestions and corrections.
extern const support::FunctionDef get_variants_simple_def;
extern const support::FunctionDef get_variants_extended_def;
extern const support::FunctionDef correct_simple_def;
extern const support::FunctionDef correct_extended_def;
extern const support::FunctionDef candidate_key_def;
// candidate_key_def's body as a built-in function (for the genuine sorted()).
support::Ref make_candidate_key_builtin();

}  // namespace fettler
