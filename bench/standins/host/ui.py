"""The host's announcements: nothing is said during the benchmark."""


def message(text):
    pass
