// Small pieces of dialog logic shared by several members, defined in
// dialog.cpp unless marked as in shown.cpp.
#pragma once

#include "support/function.hpp"

#include <cstdint>

namespace gui_main {

struct ModuleState;

// True when `window` is a wx window whose native window is gone or about
// to go (destroyed, or scheduled for destruction): such a dialog no longer
// counts as open.
bool window_is_gone(const support::FunctionObject& function, PyObject* window);

// Destroys `window` and, if it is the recorded dialog, forgets it.
void forget_dialog(const support::FunctionObject& function, PyObject* window);

// Forgets the dialog recorded in `cls._instance` when its window is gone,
// so that a dialog destroyed by any path never locks the user out.
void forget_destroyed_dialog(const support::FunctionObject& function, PyObject* cls);

// shown.cpp: what the last update showed.  Called by update right after it
// filled the text control: the engine's text it put there and what the
// control gave back.
void remember_shown(const support::FunctionObject& function, PyObject* dialog, PyObject* engine_text,
                    PyObject* control_text);

// True when a fix request must check the control's text instead of fixing
// the engine's: nothing was shown yet, the control no longer holds what it
// gave back then (the user typed; not looked at when `control_read` says
// the caller has just done so), or the engine's text is no longer the one
// shown (its owner replaced it).
bool fix_needs_check(const support::FunctionObject& function, PyObject* dialog, bool control_read);

// While alive: the key handler has just read `dialog`'s text control and
// found it as shown, so the output it calls need not read it again.
class ControlRead {
public:
    ControlRead(const support::FunctionObject& function, PyObject* dialog);
    ~ControlRead();
    ControlRead(const ControlRead&) = delete;
    ControlRead& operator=(const ControlRead&) = delete;

private:
    PyObject* module_;  // whose lock guards the mark without the GIL
    ModuleState& state_;
    std::uint64_t number_;  // this one's, to tell its own mark from another's
};

// True once (and then no more) after a ControlRead for `dialog`.
bool take_control_read(const support::FunctionObject& function, PyObject* dialog);

// api.copyToClip(text, notify=False): the host puts `text` on the clipboard
// without announcing it.
void copy_to_clipboard(const support::FunctionObject& function, PyObject* text);

}  // namespace gui_main
