"""HOCON configuration text to plain Python dicts, with a native engine.

    >>> conf = parse_string("db { host = localhost, port = 5432 }")
    >>> conf.get_int("db.port")
    5432
"""

from __future__ import annotations

import errno
import os
import stat
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


# The longest document the engine reads (its lengths are 32-bit).
_MAX_TEXT = 0xFFFFFFFF


def _read_text(path: str, encoding: str) -> str:
    """The file's text, read as included files are: a regular file only (a FIFO
    or a device could block or never end), of bounded size, line ends kept."""
    fd = os.open(path, os.O_RDONLY | os.O_NONBLOCK | os.O_CLOEXEC)
    with os.fdopen(fd, "rb") as f:
        mode = os.fstat(fd).st_mode
        if stat.S_ISDIR(mode):
            raise IsADirectoryError(errno.EISDIR, os.strerror(errno.EISDIR), path)
        if not stat.S_ISREG(mode):
            raise OSError(errno.EINVAL, "not a regular file", path)
        data = f.read(_MAX_TEXT + 1)
    if len(data) > _MAX_TEXT:
        raise ValueError("document too large")
    return data.decode(encoding)


def parse_file(path: StrPath, encoding: str = "utf-8") -> ConfigTree:
    """Parse a HOCON file; its includes resolve relative to its directory."""
    path = os.fspath(path)
    text = _read_text(path, encoding)
    return ConfigTree(parse(text, os.path.dirname(path)))
