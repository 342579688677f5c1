"""Stand-in for the add-on's corrector: receives the dialog's final text."""

import time


class Corrector:
    def __init__(self):
        self.texts = []
        self.times = []  # time.monotonic() of each call, to see when it came

    def set_text(self, text):
        self.texts.append(text)
        self.times.append(time.monotonic())
