class Translator:
    main_window_title = "Fettle check"
    text = "Text:"
    list_errors = "Errors found:"
    check = "&Check"
    close = "C&lose"
    text_checked = "Text checked"
    replacements = "replace with:"
