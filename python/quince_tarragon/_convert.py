"""The conversions a typed getter applies to the value it finds."""

from __future__ import annotations

import re
from collections.abc import Callable, Mapping
from dataclasses import dataclass
from typing import Any, Generic, TypeVar

from quince_tarragon._errors import ConfigTypeError

T = TypeVar("T")

# A string stands for a number only when it is written as JSON writes one.
_JSON_NUMBER = re.compile(r"-?(?:0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?")
_DIGITS = re.compile(r"[0-9]+")
_BOOLEANS = {"true": True, "yes": True, "on": True, "false": False, "no": False, "off": False}


class Refused(Exception):
    """A value the conversion does not take; the argument, when given, says
    why beyond what the value itself shows."""


def kind(value: object) -> str:
    """The name of the value's type as a configuration speaks of it."""
    if value is None:
        return "null"
    if isinstance(value, bool):
        return "boolean"
    if isinstance(value, (int, float)):
        return "number"
    if isinstance(value, str):
        return "string"
    if isinstance(value, Mapping):
        return "object"
    return "list" if isinstance(value, list) else type(value).__name__


def _shown(value: object) -> str:
    # Scalars are quoted so the reader sees what was wrong with them;
    # containers could be of any size.
    if isinstance(value, bool) or not isinstance(value, (str, int, float)):
        return ""
    if isinstance(value, int) and value.bit_length() > 200:
        return " (a very long integer)"
    text = repr(value)
    return " " + (text if len(text) <= 60 else text[:57] + "...")


@dataclass(frozen=True)
class Conversion(Generic[T]):
    """A type a getter asks for: its name in messages and the conversion to it."""

    expected: str
    apply: Callable[[Any], T]

    def __call__(self, path: str, value: Any, index: int | None = None) -> T:
        try:
            return self.apply(value)
        except Refused as e:
            reason = f" ({e.args[0]})" if e.args else ""
            raise ConfigTypeError(path, self.expected, kind(value), _shown(value) + reason,
                                  index) from None


def number_text(value: int | float) -> str:
    """The number as JSON writes numbers; an infinity as a number that
    overflows to it when read back. NaN has no such text: ValueError."""
    if isinstance(value, int):
        return str(value)
    if value != value:
        raise ValueError("NaN cannot be written as a number")
    if value in (float("inf"), float("-inf")):
        return "1e999" if value > 0 else "-1e999"
    return repr(value)


def _number(text: str) -> int | float:
    match = _JSON_NUMBER.fullmatch(text)
    if match is None:
        raise Refused()
    if match.group(1) is None and match.group(2) is None:
        try:
            return int(text)
        except ValueError:  # beyond the interpreter's digit limit
            raise Refused("out of range") from None
    return float(text)


def _to_string(value: Any) -> str:
    if isinstance(value, str):
        return value
    if isinstance(value, bool):
        return "true" if value else "false"
    if isinstance(value, (int, float)) and value == value:
        return number_text(value)
    raise Refused()


def _to_int(value: Any) -> int:
    number = _number(value) if isinstance(value, str) else value
    if isinstance(number, bool) or not isinstance(number, (int, float)):
        raise Refused()
    if isinstance(number, float):
        if not number.is_integer():
            raise Refused("not a whole number")
        return int(number)
    return number


def _to_float(value: Any) -> float:
    number = _number(value) if isinstance(value, str) else value
    if isinstance(number, bool) or not isinstance(number, (int, float)):
        raise Refused()
    try:
        return float(number)
    except OverflowError:
        raise Refused("out of range") from None


def _to_bool(value: Any) -> bool:
    if isinstance(value, bool):
        return value
    if isinstance(value, str) and value in _BOOLEANS:
        return _BOOLEANS[value]
    raise Refused()


def _by_number(key: str) -> tuple[int, str]:
    # Orders digit strings as the numbers they write without building those
    # numbers, which could be beyond the interpreter's digit limit.
    digits = key.lstrip("0")
    return len(digits), digits


def _to_list(value: Any) -> list[Any]:
    if isinstance(value, list):
        return value
    if not isinstance(value, Mapping):
        raise Refused()
    # An object such as a properties file writes a list with: numeric keys
    # in numeric order, the others ignored.
    keys = [k for k in value if isinstance(k, str) and _DIGITS.fullmatch(k)]
    if not keys:
        raise Refused("no numeric keys")
    return [value[k] for k in sorted(keys, key=_by_number)]


STRING = Conversion("string", _to_string)
INT = Conversion("integer", _to_int)
FLOAT = Conversion("number", _to_float)
BOOL = Conversion("boolean", _to_bool)
LIST = Conversion("list", _to_list)
