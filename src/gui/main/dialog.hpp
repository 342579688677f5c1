// Small pieces of dialog logic shared by several members (dialog.cpp).
#pragma once

#include "support/function.hpp"

namespace gui_main {

// True when `window` is a wx window whose native window is gone or about
// to go (destroyed, or scheduled for destruction): such a dialog no longer
// counts as open.
bool window_is_gone(const support::FunctionObject& function, PyObject* window);

// Destroys `window` and, if it is the recorded dialog, forgets it.
void forget_dialog(const support::FunctionObject& function, PyObject* window);

// Forgets the dialog recorded in `cls._instance` when its window is gone,
// so that a dialog destroyed by any path never locks the user out.
void forget_destroyed_dialog(const support::FunctionObject& function, PyObject* cls);

// True when the user changed the text control since the dialog last filled
// it from the engine: the engine's matches no longer fit what is shown.
bool text_edited_since_update(PyObject* self);

// api.copyToClip(text, notify=False): the host puts `text` on the clipboard
// without announcing it.
void copy_to_clipboard(const support::FunctionObject& function, PyObject* text);

}  // namespace gui_main
