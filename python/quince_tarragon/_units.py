"""Durations and sizes in bytes: a number with an optional unit."""

from __future__ import annotations

import math
import re
from datetime import timedelta
from fractions import Fraction
from typing import Any

from quince_tarragon._convert import Conversion, Refused

# Optional whitespace, a number, optional whitespace, an optional unit made
# of letters, optional whitespace.
_AMOUNT = re.compile(r"\s*([+-]?[0-9]+(?:\.[0-9]+)?)\s*([^\W\d_]*)\s*")


def _table(factors: dict[str, int | Fraction]) -> dict[str, int | Fraction]:
    """{"ms milli": 1000} -> {"ms": 1000, "milli": 1000}"""
    return {name: factor for names, factor in factors.items() for name in names.split()}


# In microseconds, the finest step a timedelta holds.
_DURATION = _table({
    "ns nano nanos nanosecond nanoseconds": Fraction(1, 1000),
    "us micro micros microsecond microseconds": 1,
    "ms milli millis millisecond milliseconds": 1000,
    "s second seconds": 1_000_000,
    "m minute minutes": 60_000_000,
    "h hour hours": 3_600_000_000,
    "d day days": 86_400_000_000,
})

# For each power: the decimal symbol and name, the binary letter and name.
_PREFIXES = [("kB", "kilo", "K", "kibi"), ("MB", "mega", "M", "mebi"), ("GB", "giga", "G", "gibi"),
             ("TB", "tera", "T", "tebi"), ("PB", "peta", "P", "pebi"), ("EB", "exa", "E", "exbi"),
             ("ZB", "zetta", "Z", "zebi"), ("YB", "yotta", "Y", "yobi")]


def _sizes() -> dict[str, int | Fraction]:
    table = _table({"B b byte bytes": 1})
    for power, (symbol, decimal, letter, binary) in enumerate(_PREFIXES, 1):
        table.update(_table({
            f"{symbol} {decimal}byte {decimal}bytes": 1000 ** power,
            f"{letter} {letter.lower()} {letter}i {letter}iB {binary}byte {binary}bytes": 1024 ** power,
        }))
    return table


_SIZE = _sizes()


def _amount(value: Any, units: dict[str, int | Fraction], plain: int) -> Fraction:
    """The value counted in the table's base unit; a number alone, or a
    string without a unit, counts `plain` of them per unit."""
    if isinstance(value, bool) or not isinstance(value, (int, float, str)):
        raise Refused()
    if isinstance(value, float) and not math.isfinite(value):
        raise Refused()
    if not isinstance(value, str):
        return Fraction(value) * plain
    match = _AMOUNT.fullmatch(value)
    if match is None:
        raise Refused()
    number, unit = match.groups()
    factor = units.get(unit) if unit else plain
    if factor is None:
        raise Refused(f"unknown unit {unit!r}")
    try:
        return Fraction(number) * factor
    except ValueError:  # more digits than the interpreter converts
        raise Refused("out of range") from None


def _to_duration(value: Any) -> timedelta:
    micros = _amount(value, _DURATION, 1000)
    try:
        return timedelta(microseconds=round(micros))
    except OverflowError:
        raise Refused("out of range") from None


def _to_bytes(value: Any) -> int:
    size = _amount(value, _SIZE, 1)
    if size < 0:
        raise Refused("a size cannot be negative")
    return int(size)


DURATION = Conversion("duration", _to_duration)
BYTES = Conversion("size in bytes", _to_bytes)
