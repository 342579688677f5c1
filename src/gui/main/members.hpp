// The members of class FettleGUI, defined in the files named below.
#pragma once

#include "support/function.hpp"

namespace gui_main {

// lifecycle.cpp: opening, construction and closing.
extern const support::FunctionDef create_fettle_gui_def;
extern const support::FunctionDef new_def;
extern const support::FunctionDef init_def;
extern const support::FunctionDef close_def;
extern const support::FunctionDef close_window_def;

// layout.cpp
extern const support::FunctionDef build_ui_def;

// events.cpp
extern const support::FunctionDef bind_events_def;
extern const support::FunctionDef process_char_hooks_def;

// checking.cpp: the check and the error list.
extern const support::FunctionDef check_def;
extern const support::FunctionDef run_check_def;
extern const support::FunctionDef update_def;
extern const support::FunctionDef errors_def;

// output.cpp
extern const support::FunctionDef output_def;

}  // namespace gui_main
