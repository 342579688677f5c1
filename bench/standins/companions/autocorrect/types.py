from enum import Enum


class Languages(Enum):
    english = "en"
    german = "de"
    russian = "ru"
    french = "fr"
