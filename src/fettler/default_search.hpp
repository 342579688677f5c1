// The last step of Fettler.__init__: the search of the rotation for the
// configured default language.
#pragma once

#include "fettler/state.hpp"

namespace fettler {

//     for lang in self._next_language:
//         if lang == self.config.lang_default:
//             self.current_language = lang
//             break
//
// except that it raises ValueError instead of searching forever when the
// default equals none of the configured languages.
void search_default(PyObject* self, const ModuleState& state);

}  // namespace fettler
