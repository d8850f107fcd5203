"""HOCON configuration text to plain Python dicts, with a native engine.

    >>> conf = parse_string("db { host = localhost, port = 5432 }")
    >>> conf.get_int("db.port")
    5432
"""

from __future__ import annotations

import os
from typing import Union

from quince_tarragon._native import __backend__, parse
from quince_tarragon._tree import ConfigMissingError, ConfigTree, ConfigTypeError

__all__ = [
    "ConfigMissingError",
    "ConfigTree",
    "ConfigTypeError",
    "__backend__",
    "parse",
    "parse_file",
    "parse_string",
]

StrPath = Union[str, "os.PathLike[str]"]


def parse_string(text: str, base: StrPath | None = None) -> ConfigTree:
    """Parse HOCON text; relative includes resolve against `base` (default: the
    current directory)."""
    return ConfigTree(parse(text, None if base is None else os.fspath(base)))


def parse_file(path: StrPath, encoding: str = "utf-8") -> ConfigTree:
    """Parse a HOCON file; its includes resolve relative to its directory."""
    path = os.fspath(path)
    with open(path, encoding=encoding) as f:
        text = f.read()
    return ConfigTree(parse(text, os.path.dirname(path)))
