// Attributes of the grammar checker's match objects, read and written
// through the plain instance fast path (see support/attributes.hpp): the
// error list and the fix touch them once or twice per match.
#pragma once

#include "gui/main/names.hpp"
#include "support/attributes.hpp"

namespace gui_main {

inline support::PlainAttributes match_attributes{
    &names::message, &names::context, &names::offset, &names::errorLength, &names::replacements,
};

}  // namespace gui_main
