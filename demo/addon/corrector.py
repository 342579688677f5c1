"""Hands the text corrected in the dialog back to where it came from."""


class Corrector:
    """`deliver` is called with the corrected text (in the demo host it
    writes the text back into the host's own text field)."""

    def __init__(self, deliver=None):
        self.deliver = deliver
        self.received = []

    def set_text(self, text):
        self.received.append(text)
        if self.deliver is not None:
            self.deliver(text)
