// Attribute and global names used by the engine.  Each is a number the
// library gives it when it loads, holding no Python object: every module
// object interns the texts into its own state (support/interned.hpp), and a
// name used in code reads the str of the module being run.
#pragma once

#include "support/object.hpp"

namespace fettler::names {

using support::Name;

// Engine attributes, in the order the constructor creates them.
inline const Name config("config");
inline const Name speller("speller");
inline const Name lang_tool("lang_tool");
inline const Name text("text");
inline const Name matches("matches");
inline const Name current_language("current_language");
inline const Name rotation("_next_language");  // the rotation next_language() advances

// Engine methods called through the instance, so that overrides apply.
inline const Name languages("_languages");
inline const Name init_speller("init_speller");
inline const Name init_lang_tool("init_lang_tool");
inline const Name close("close");

// Configuration, language values and back-ends.
inline const Name lang_default("lang_default");
inline const Name required_languages("required_languages");
inline const Name name("name");
inline const Name value("value");
inline const Name Languages("Languages");
inline const Name lang("lang");
inline const Name key("key");
inline const Name check("check");
inline const Name get_candidates("get_candidates");
inline const Name autocorrect_word("autocorrect_word");
inline const Name autocorrect_sentence("autocorrect_sentence");
inline const Name replacements("replacements");

// Module globals and built-ins, read when used.
inline const Name Speller("Speller");
inline const Name LanguageTool("LanguageTool");
inline const Name ac_types("ac_types");
inline const Name lt_types("lt_types");
inline const Name lt_correct("lt_correct");
inline const Name cycle("cycle");
inline const Name sorted("sorted");
inline const Name next("next");

}  // namespace fettler::names
