class ReplacementsGUI:
    @staticmethod
    def create_replacements_gui(replacements, callback):
        pass
