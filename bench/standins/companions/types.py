from enum import Enum


class Languages(Enum):
    english = "English"
    german = "German"
    russian = "Russian"
    french = "French"
