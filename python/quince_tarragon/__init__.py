"""HOCON configuration text to plain Python dicts, with a native engine.

    >>> conf = parse_string("db { host = localhost, port = 5432 }")
    >>> conf.get_int("db.port")
    5432
"""

from __future__ import annotations

import errno
import os
import stat
from collections.abc import Iterable, Mapping
from typing import Union

from quince_tarragon import _hocon
from quince_tarragon._errors import (
    ConfigError,
    ConfigFileNotFoundError,
    ConfigLimitError,
    ConfigMissingError,
    ConfigResolveError,
    ConfigSyntaxError,
    ConfigTypeError,
)
from quince_tarragon._native import __backend__, parse
from quince_tarragon._tree import ConfigTree

__all__ = [
    "ConfigError",
    "ConfigFileNotFoundError",
    "ConfigLimitError",
    "ConfigMissingError",
    "ConfigResolveError",
    "ConfigSyntaxError",
    "ConfigTree",
    "ConfigTypeError",
    "__backend__",
    "parse",
    "parse_file",
    "parse_string",
]

StrPath = Union[str, "os.PathLike[str]"]
Includes = Union[bool, StrPath]

# The longest document the engine reads (its lengths are 32-bit).
_MAX_TEXT = 0xFFFFFFFF
_SYNTAX = {".json": 1, ".properties": 2}


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
        raise ConfigLimitError("document too large", path)
    return data.decode(encoding)


def _parse(text: str, origin: str | None, base: StrPath | bytes | None, syntax: int,
           includes: Includes, classpath: Iterable[StrPath] | None,
           env: Mapping[str, str] | None) -> ConfigTree:
    if not isinstance(text, str):
        raise TypeError(f"text must be a str, not {type(text).__name__}")
    confine: bool | bytes = includes if isinstance(includes, bool) else os.fsencode(includes)
    dirs = tuple(os.fsencode(d) for d in classpath) if classpath is not None else ()
    base_b = None if base is None else os.fsencode(base)
    tree: ConfigTree = _hocon.parse(text, origin, base_b or None, syntax, confine, dirs, env, ConfigTree,
                                    None)
    return tree


def parse_string(text: str, base: StrPath | None = None, *, includes: Includes = True,
                 classpath: Iterable[StrPath] | None = None,
                 env: Mapping[str, str] | None = None) -> ConfigTree:
    """Parse HOCON text; relative includes resolve against `base` (default: the
    current directory)."""
    return _parse(text, None, base, 0, includes, classpath, env)


def parse_file(path: StrPath, encoding: str = "utf-8", *, includes: Includes = True,
               classpath: Iterable[StrPath] | None = None,
               env: Mapping[str, str] | None = None) -> ConfigTree:
    """Parse a configuration file: .json files as JSON, .properties files as Java
    properties, anything else as HOCON. Its includes resolve relative to its
    directory."""
    path = os.fspath(path)
    try:
        text = _read_text(path, encoding)
    except OSError as e:
        raise ConfigFileNotFoundError(f"cannot read the file: {e.strerror or e}", path) from e
    except UnicodeDecodeError as e:
        raise ConfigSyntaxError(f"not valid {encoding} text ({e.reason} at byte {e.start})", path) from e
    syntax = _SYNTAX.get(os.path.splitext(path)[1], 0)
    return _parse(text, path, os.path.dirname(path), syntax, includes, classpath, env)
