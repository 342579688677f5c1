class Corrector:
    def set_text(self, text):
        pass
