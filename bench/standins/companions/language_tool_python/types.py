from enum import Enum


class Languages(Enum):
    english = "en-US"
    german = "de-DE"
    russian = "ru-RU"
