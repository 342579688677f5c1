def correct(text, matches):
    return text
