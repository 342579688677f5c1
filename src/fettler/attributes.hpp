// The engine's own instance attributes, read and written through the plain
// instance fast path (see support/attributes.hpp).
#pragma once

#include "fettler/names.hpp"
#include "support/attributes.hpp"

namespace fettler {

inline support::PlainAttributes engine_attributes{
    &names::config, &names::speller,          &names::lang_tool,     &names::text,
    &names::matches, &names::current_language, &names::next_language,
};

}  // namespace fettler
