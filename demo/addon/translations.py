"""Texts the correction dialog shows."""


class Translator:
    main_window_title = "Spelling and grammar"
    text = "&Text:"
    list_errors = "&Errors:"
    check = "&Check"
    close = "C&lose"
    text_checked = "Text checked"
    replacements = "Replacements:"
