"""The exceptions of the package: every failure of a HOCON document is a
`ConfigError`, which says where it happened."""

from __future__ import annotations

import errno
from typing import Any

__all__ = [
    "ConfigError",
    "ConfigFileNotFoundError",
    "ConfigLimitError",
    "ConfigMissingError",
    "ConfigResolveError",
    "ConfigSyntaxError",
    "ConfigTypeError",
]


class ConfigError(Exception):
    """A configuration that cannot be read or used.

    ``origin`` is the file the problem is in (None for a string), ``line``
    and ``column`` its 1-based position (None when it has none), ``message``
    the description alone; ``str()`` gives all of them as
    ``origin:line:column: message``.
    """

    origin: str | None
    line: int | None
    column: int | None
    message: str

    def __init__(self, message: str, origin: str | None = None, line: int | None = None,
                 column: int | None = None) -> None:
        super().__init__(message, origin, line, column)
        self.message = message
        self.origin = origin
        self.line = line
        self.column = column

    def __str__(self) -> str:
        if self.line is None:
            return self.message if self.origin is None else f"{self.origin}: {self.message}"
        where = "<string>" if self.origin is None else self.origin
        return f"{where}:{self.line}:{self.column}: {self.message}"

    def __reduce__(self) -> tuple[Any, ...]:
        return type(self), (self.message, self.origin, self.line, self.column)


class ConfigSyntaxError(ConfigError, ValueError):
    """Malformed text: something the language does not allow where it stands."""


class ConfigResolveError(ConfigError, ValueError):
    """A substitution that names nothing (and no environment variable), a
    cycle of substitutions, or values that cannot be concatenated."""


class ConfigLimitError(ConfigError, ValueError):
    """A document beyond one of the bounds that protect the process: nesting,
    expansion, work, includes."""


class ConfigFileNotFoundError(ConfigError, FileNotFoundError):
    """A file that cannot be read: the document given to ``parse_file``, or a
    ``required(...)`` include."""

    def __init__(self, message: str, origin: str | None = None, line: int | None = None,
                 column: int | None = None) -> None:
        # OSError reads its arguments as (errno, strerror, filename).
        OSError.__init__(self, errno.ENOENT, message, origin)
        self.message = message
        self.origin = origin
        self.line = line
        self.column = column


class ConfigMissingError(ConfigError, KeyError):
    """A path that the configuration does not define (or defines as null)."""

    def __init__(self, path: str, message: str | None = None) -> None:
        ConfigError.__init__(self, message or f"missing configuration path {path!r}")
        self.path = path

    def __str__(self) -> str:
        return self.message

    def __reduce__(self) -> tuple[Any, ...]:
        return type(self), (self.path, self.message)


class ConfigTypeError(ConfigError, TypeError):
    """A value whose type is not the one asked for, and cannot be converted.

    ``path`` is where the value is (``index`` its position when it is an
    element of a list), ``expected`` what was asked for and ``found`` the
    kind of value there: object, list, string, number, boolean or null.
    """

    def __init__(self, path: str, expected: str, found: str, detail: str = "",
                 index: int | None = None) -> None:
        where = repr(path) if index is None else f"{path!r}[{index}]"
        ConfigError.__init__(self, f"{where}: expected {expected}, found {found}{detail}")
        self.path = path
        self.expected = expected
        self.found = found
        self.detail = detail
        self.index = index

    def __reduce__(self) -> tuple[Any, ...]:
        return type(self), (self.path, self.expected, self.found, self.detail, self.index)
