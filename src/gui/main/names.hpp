// Attribute and global names used by the dialog.  Each is a number the
// library gives it when it loads, holding no Python object: every module
// object interns the texts into its own state (support/interned.hpp), and a
// name used in code reads the str of the module being run.
#pragma once

#include "support/object.hpp"

namespace gui_main::names {

using support::Name;

// Module globals, read when used.
inline const Name FettleGUI("FettleGUI");
inline const Name api("api");
inline const Name gui("gui");
inline const Name ui("ui");
inline const Name wx("wx");
inline const Name ReplacementsGUI("ReplacementsGUI");
inline const Name Translator("Translator");
inline const Name super("super");

// Dialog attributes and methods.
inline const Name instance("_instance");
inline const Name fettler("fettler");
inline const Name corrector("corrector");
inline const Name text("text");
inline const Name errors_control("errors_control");
inline const Name check_button("check_button");
inline const Name close_button("close_button");
inline const Name errors("errors");
inline const Name build_ui("build_ui");
inline const Name bind_events("_bindEvents");
inline const Name process_char_hooks("process_char_hooks");
inline const Name close("close");
inline const Name close_window("close_window");
inline const Name check("check");
inline const Name run_check("_check");
inline const Name update("update");
inline const Name output("output");
inline const Name dunder_new("__new__");
inline const Name dunder_init("__init__");

// Engine, configuration, matches, corrector.
inline const Name init_speller("init_speller");
inline const Name init_lang_tool("init_lang_tool");
inline const Name correct_extended("correct_extended");
inline const Name matches("matches");
inline const Name config("config");
inline const Name need_auto_correct("need_auto_correct");
inline const Name set_text("set_text");
inline const Name offset("offset");
inline const Name errorLength("errorLength");
inline const Name context("context");
inline const Name message("message");
inline const Name replacements("replacements");
inline const Name pop("pop");

// Host.
inline const Name mainFrame("mainFrame");
inline const Name prePopup("prePopup");
inline const Name postPopup("postPopup");
inline const Name guiHelper("guiHelper");
inline const Name BoxSizerHelper("BoxSizerHelper");
inline const Name orientation("orientation");
inline const Name sizer("sizer");
inline const Name addLabeledControl("addLabeledControl");
inline const Name addItem("addItem");
inline const Name copyToClip("copyToClip");
inline const Name notify("notify");
inline const Name create_replacements_gui("create_replacements_gui");

// Translator texts.
inline const Name main_window_title("main_window_title");
inline const Name list_errors("list_errors");
inline const Name text_checked("text_checked");

// wx.
inline const Name Dialog("Dialog");
inline const Name Window("Window");
inline const Name GetApp("GetApp");
inline const Name IsScheduledForDestruction("IsScheduledForDestruction");
inline const Name BoxSizer("BoxSizer");
inline const Name TextCtrl("TextCtrl");
inline const Name StaticText("StaticText");
inline const Name ListBox("ListBox");
inline const Name Button("Button");
inline const Name VERTICAL("VERTICAL");
inline const Name HORIZONTAL("HORIZONTAL");
inline const Name ID_ANY("ID_ANY");
inline const Name TE_MULTILINE("TE_MULTILINE");
inline const Name HSCROLL("HSCROLL");
inline const Name LB_HSCROLL("LB_HSCROLL");
inline const Name LB_NEEDED_SB("LB_NEEDED_SB");
inline const Name LB_SINGLE("LB_SINGLE");
inline const Name EXPAND("EXPAND");
inline const Name ALL("ALL");
inline const Name NOT_FOUND("NOT_FOUND");
inline const Name WXK_ESCAPE("WXK_ESCAPE");
inline const Name WXK_RETURN("WXK_RETURN");
inline const Name wxEVT_LISTBOX_DCLICK("wxEVT_LISTBOX_DCLICK");
inline const Name EVT_CLOSE("EVT_CLOSE");
inline const Name EVT_CHAR_HOOK("EVT_CHAR_HOOK");
inline const Name EVT_BUTTON("EVT_BUTTON");
inline const Name EVT_LISTBOX_DCLICK("EVT_LISTBOX_DCLICK");
inline const Name CallAfter("CallAfter");
inline const Name CallLater("CallLater");
inline const Name choices("choices");
inline const Name style("style");
inline const Name label("label");
inline const Name border("border");
inline const Name flag("flag");
inline const Name title("title");
inline const Name size("size");

// wx methods.
inline const Name Add("Add");
inline const Name Bind("Bind");
inline const Name Show("Show");
inline const Name Close("Close");
inline const Name Destroy("Destroy");
inline const Name SetSizer("SetSizer");
inline const Name Layout("Layout");
inline const Name CentreOnScreen("CentreOnScreen");
inline const Name GetValue("GetValue");
inline const Name SetValue("SetValue");
inline const Name SetFocus("SetFocus");
inline const Name Clear("Clear");
inline const Name Set("Set");
inline const Name GetSelection("GetSelection");
inline const Name GetKeyCode("GetKeyCode");
inline const Name GetId("GetId");
inline const Name GetEventType("GetEventType");
inline const Name ControlDown("ControlDown");
inline const Name Skip("Skip");

}  // namespace gui_main::names
