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
from typing import Any, Protocol, Union

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
from quince_tarragon._render import Format, dumps
from quince_tarragon._tree import ConfigTree, split_path

__version__ = "0.2.0"

__all__ = [
    "ConfigError",
    "ConfigFileNotFoundError",
    "ConfigLimitError",
    "ConfigMissingError",
    "ConfigResolveError",
    "ConfigSyntaxError",
    "ConfigTree",
    "ConfigTypeError",
    "Format",
    "__backend__",
    "__version__",
    "dumps",
    "load",
    "loads",
    "parse",
    "parse_file",
    "parse_string",
]

StrPath = Union[str, "os.PathLike[str]"]
Includes = Union[bool, StrPath]


class Readable(Protocol):
    """A file object opened for reading, in text or binary mode."""

    def read(self) -> str | bytes: ...


# The longest document the engine reads (its lengths are 32-bit).
_MAX_TEXT = 0xFFFFFFFF
_SYNTAX = {".json": 1, ".properties": 2}


def _read_bytes(path: str) -> bytes:
    """The file's bytes, read as included files are: a regular file only (a
    FIFO or a device could block or never end), of bounded size."""
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
    return data


def _read_text(path: str, encoding: str) -> str:
    """The file's text, line ends kept."""
    return _read_bytes(path).decode(encoding)


def _overrides(overrides: Mapping[str, object] | None) -> Mapping[str, object] | None:
    if overrides is None:
        return None
    if not isinstance(overrides, Mapping):
        raise TypeError(f"overrides must be a mapping, not {type(overrides).__name__}")
    for path in overrides:
        if isinstance(path, str):
            split_path(path)  # so that a bad path is named in the error
    return overrides


def _parse(text: str, origin: str | None, base: StrPath | bytes | None, syntax: int,
           includes: Includes, classpath: Iterable[StrPath] | None,
           env: Mapping[str, str] | None, overrides: Mapping[str, object] | None) -> ConfigTree:
    if not isinstance(text, str):
        raise TypeError(f"text must be a str, not {type(text).__name__}")
    confine: bool | bytes = includes if isinstance(includes, bool) else os.fsencode(includes)
    dirs = tuple(os.fsencode(d) for d in classpath) if classpath is not None else ()
    base_b = None if base is None else os.fsencode(base)
    tree: ConfigTree = _hocon.parse(text, origin, base_b or None, syntax, confine, dirs, env, ConfigTree,
                                    _overrides(overrides))
    return tree


def parse_string(text: str, base: StrPath | None = None, *, includes: Includes = True,
                 classpath: Iterable[StrPath] | None = None, env: Mapping[str, str] | None = None,
                 overrides: Mapping[str, object] | None = None) -> ConfigTree:
    """Parse HOCON text (``loads`` is the same function).

    Relative includes resolve against `base` (default: the current
    directory). `includes` is True (any file), False (none) or a directory
    that confines them; `classpath` lists the directories searched by
    ``classpath(...)`` includes; `env` replaces the process environment for
    substitutions the document does not define. `overrides` maps paths
    (``"db.host"``, ``'a."b.c"'``) to values (str, int, float, bool, None,
    lists, dicts) set over the document as if written at its end, before
    substitutions resolve: ``${db.host}`` sees them.
    """
    return _parse(text, None, base, 0, includes, classpath, env, overrides)


loads = parse_string


def _decoded(data: bytes | bytearray, encoding: str, origin: str | None) -> str:
    try:
        return data.decode(encoding)
    except UnicodeDecodeError as e:
        raise ConfigSyntaxError(f"not valid {encoding} text ({e.reason} at byte {e.start})",
                                origin) from e


def _syntax(path: str) -> int:
    return _SYNTAX.get(os.path.splitext(path)[1], 0)


def parse_file(path: StrPath, encoding: str = "utf-8", *, includes: Includes = True,
               classpath: Iterable[StrPath] | None = None, env: Mapping[str, str] | None = None,
               overrides: Mapping[str, object] | None = None) -> ConfigTree:
    """Parse a configuration file: .json files as JSON, .properties files as
    Java properties, anything else as HOCON. Its includes resolve relative to
    its directory; the keyword arguments are those of `parse_string`."""
    path = os.fspath(path)
    try:
        data = _read_bytes(path)
    except OSError as e:
        raise ConfigFileNotFoundError(f"cannot read the file: {e.strerror or e}", path) from e
    text = _decoded(data, encoding, path)
    return _parse(text, path, os.path.dirname(path), _syntax(path), includes, classpath, env,
                  overrides)


def load(fp: Readable, *, includes: Includes = True, classpath: Iterable[StrPath] | None = None,
         env: Mapping[str, str] | None = None,
         overrides: Mapping[str, object] | None = None) -> ConfigTree:
    """Parse what a file object reads, as `parse_file` parses a file.

    A binary file is read as UTF-8. When ``fp.name`` is a path (as for
    ``open(path)``), errors name it, relative includes resolve against its
    directory and its extension chooses the syntax (.json, .properties);
    otherwise the text is HOCON and includes resolve against the current
    directory. The keyword arguments are those of `parse_string`.
    """
    data: Any = fp.read()
    name = getattr(fp, "name", None)
    origin = name if isinstance(name, str) else None
    text = _decoded(data, "utf-8", origin) if isinstance(data, (bytes, bytearray)) else data
    base = os.path.dirname(origin) if origin is not None else None
    syntax = _syntax(origin) if origin is not None else 0
    return _parse(text, origin, base, syntax, includes, classpath, env, overrides)
