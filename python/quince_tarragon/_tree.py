"""`ConfigTree`: a parsed object as a dict, with path access and typed getters."""

from __future__ import annotations

import functools
from collections.abc import Callable, Mapping
from datetime import timedelta
from typing import Any, TypeVar, overload

from quince_tarragon import _hocon
from quince_tarragon._convert import BOOL, FLOAT, INT, LIST, STRING, Conversion, Refused
from quince_tarragon._errors import ConfigMissingError, ConfigSyntaxError
from quince_tarragon._units import BYTES, DURATION

__all__ = ["ConfigTree"]

T = TypeVar("T")
D = TypeVar("D")

class _Nothing:
    def __repr__(self) -> str:
        return "<nothing>"


# Stands for "nothing at this path" and for "no default given".
_NONE: Any = _Nothing()


@functools.lru_cache(maxsize=4096)
def split_path(path: str) -> tuple[str, ...]:
    """The keys a path expression names: 'a."b.c"' -> ('a', 'b.c')."""
    try:
        return _hocon.split_path(path)
    except ConfigSyntaxError as e:
        raise ConfigSyntaxError(f"invalid path {path!r}: {e.message}") from None


class ConfigTree(dict[str, Any]):
    """A configuration object: a plain ``dict`` (``json.dumps`` and ``==``
    treat it as one) whose getters take paths.

    A path is written as in the configuration itself: ``"db.pool.size"``
    walks nested objects, and a quoted key may hold dots
    (``'akka."java.io.Serializable"'``).  Every object inside a tree is a
    ``ConfigTree`` too.
    """

    __slots__ = ()

    def _find(self, path: str) -> Any:
        if not isinstance(path, str):
            raise TypeError(f"a configuration path is a str, not {type(path).__name__}")
        node: Any = self
        for key in split_path(path):
            if not isinstance(node, dict):
                return _NONE
            node = dict.get(node, key, _NONE)
        return node

    def get(self, path: str, default: Any = None) -> Any:
        """The value at the path (null is None), or `default` when there is
        none; a path through a list or a scalar has none."""
        value = self._find(path)
        return default if value is _NONE else value

    def has_path(self, path: str) -> bool:
        """Whether the path holds a value other than null: whether a typed
        getter would find something there."""
        value = self._find(path)
        return value is not _NONE and value is not None

    def _typed(self, path: str, default: Any, convert: Callable[[str, Any], Any]) -> Any:
        value = self._find(path)
        if value is _NONE or value is None:
            if default is not _NONE:
                return default
            null = None if value is _NONE else f"configuration path {path!r} is null"
            raise ConfigMissingError(path, null)
        return convert(path, value)

    @overload
    def get_string(self, path: str) -> str: ...
    @overload
    def get_string(self, path: str, default: D) -> str | D: ...
    def get_string(self, path: str, default: Any = _NONE) -> Any:
        """The string at the path; a number or a boolean is given as its text
        (``true``, ``8080``, ``0.5``)."""
        return self._typed(path, default, STRING)

    @overload
    def get_int(self, path: str) -> int: ...
    @overload
    def get_int(self, path: str, default: D) -> int | D: ...
    def get_int(self, path: str, default: Any = _NONE) -> Any:
        """The integer at the path: a number without a fraction, or a string
        holding one in JSON's number syntax (never a boolean)."""
        return self._typed(path, default, INT)

    @overload
    def get_float(self, path: str) -> float: ...
    @overload
    def get_float(self, path: str, default: D) -> float | D: ...
    def get_float(self, path: str, default: Any = _NONE) -> Any:
        """The number at the path as a float, or a string holding one in
        JSON's number syntax (never a boolean)."""
        return self._typed(path, default, FLOAT)

    @overload
    def get_bool(self, path: str) -> bool: ...
    @overload
    def get_bool(self, path: str, default: D) -> bool | D: ...
    def get_bool(self, path: str, default: Any = _NONE) -> Any:
        """The boolean at the path, or one of the strings true, yes, on,
        false, no, off."""
        return self._typed(path, default, BOOL)

    @overload
    def get_list(self, path: str) -> list[Any]: ...
    @overload
    def get_list(self, path: str, default: D) -> list[Any] | D: ...
    def get_list(self, path: str, default: Any = _NONE) -> Any:
        """The list at the path; an object with keys such as "0", "1" (as a
        properties file writes a list) is read as the list of the values of
        those keys in numeric order, its other keys ignored."""
        return self._typed(path, default, LIST)

    @overload
    def get_config(self, path: str) -> ConfigTree: ...
    @overload
    def get_config(self, path: str, default: D) -> ConfigTree | D: ...
    def get_config(self, path: str, default: Any = _NONE) -> Any:
        """The object at the path."""
        return self._typed(path, default, CONFIG)

    @overload
    def get_string_list(self, path: str) -> list[str]: ...
    @overload
    def get_string_list(self, path: str, default: D) -> list[str] | D: ...
    def get_string_list(self, path: str, default: Any = _NONE) -> Any:
        """The list at the path (as `get_list` reads it), each element
        converted as `get_string` does."""
        return self._typed(path, default, _STRINGS)

    @overload
    def get_int_list(self, path: str) -> list[int]: ...
    @overload
    def get_int_list(self, path: str, default: D) -> list[int] | D: ...
    def get_int_list(self, path: str, default: Any = _NONE) -> Any:
        """The list at the path, each element converted as `get_int` does."""
        return self._typed(path, default, _INTS)

    @overload
    def get_float_list(self, path: str) -> list[float]: ...
    @overload
    def get_float_list(self, path: str, default: D) -> list[float] | D: ...
    def get_float_list(self, path: str, default: Any = _NONE) -> Any:
        """The list at the path, each element converted as `get_float` does."""
        return self._typed(path, default, _FLOATS)

    @overload
    def get_bool_list(self, path: str) -> list[bool]: ...
    @overload
    def get_bool_list(self, path: str, default: D) -> list[bool] | D: ...
    def get_bool_list(self, path: str, default: Any = _NONE) -> Any:
        """The list at the path, each element converted as `get_bool` does."""
        return self._typed(path, default, _BOOLS)

    @overload
    def get_config_list(self, path: str) -> list[ConfigTree]: ...
    @overload
    def get_config_list(self, path: str, default: D) -> list[ConfigTree] | D: ...
    def get_config_list(self, path: str, default: Any = _NONE) -> Any:
        """The list of objects at the path."""
        return self._typed(path, default, _CONFIGS)

    @overload
    def get_duration(self, path: str) -> timedelta: ...
    @overload
    def get_duration(self, path: str, default: D) -> timedelta | D: ...
    def get_duration(self, path: str, default: Any = _NONE) -> Any:
        """The duration at the path: a number of milliseconds, or a string
        such as "30 s", "1.5h", "250ms", "100 us" (units ns, us, ms, s, m, h, d
        and their names: nanos, microseconds, millis, second, minutes, ...),
        rounded to the microsecond."""
        return self._typed(path, default, DURATION)

    @overload
    def get_bytes(self, path: str) -> int: ...
    @overload
    def get_bytes(self, path: str, default: D) -> int | D: ...
    def get_bytes(self, path: str, default: Any = _NONE) -> Any:
        """The size in bytes at the path: a number of bytes, or a string such
        as "512K", "1.5 GiB", "10MB", "2 gigabytes" (K, Ki, KiB, kibibyte:
        powers of 1024; kB, kilobyte: powers of 1000), truncated to an int."""
        return self._typed(path, default, BYTES)

    def with_fallback(self, other: Mapping[str, Any]) -> ConfigTree:
        """A new tree of this one's values over `other`'s: objects under the
        same key merge key by key, at every depth; any other value of this
        tree (null included) hides `other`'s. Keys come in the order the
        two would have if `other` were written first and this tree after
        it. Neither tree changes, nor shares anything with the result."""
        if not isinstance(other, Mapping):
            raise TypeError(f"a fallback is a mapping, not {type(other).__name__}")
        return _merged(self, other)

    def as_dict(self) -> dict[str, Any]:
        """A deep copy made of plain dicts and lists only."""
        # Iterative: parsed documents may nest deeper than Python's
        # recursion limit.
        root: dict[str, Any] = {}
        stack: list[tuple[Any, Any]] = [(self, root)]
        while stack:
            src, dst = stack.pop()
            for key, value in src.items() if isinstance(src, dict) else enumerate(src):
                if isinstance(value, (dict, list)):
                    copy: Any = {} if isinstance(value, dict) else [None] * len(value)
                    stack.append((value, copy))
                    value = copy
                dst[key] = value
        return root


def _to_config(value: Any) -> ConfigTree:
    if isinstance(value, ConfigTree):
        return value
    if isinstance(value, Mapping):
        return ConfigTree(value)
    raise Refused()


def _each(conversion: Conversion[T]) -> Callable[[str, Any], list[T]]:
    def convert(path: str, value: Any) -> list[T]:
        return [conversion(path, item, i) for i, item in enumerate(LIST(path, value))]
    return convert


CONFIG = Conversion("object", _to_config)
_STRINGS, _INTS, _FLOATS = _each(STRING), _each(INT), _each(FLOAT)
_BOOLS, _CONFIGS = _each(BOOL), _each(CONFIG)
_EMPTY: Mapping[str, Any] = {}


def _placeholder(value: Any, work: list[tuple[Any, Any, Any]]) -> Any:
    """A scalar as it is; for a container, an empty copy that a job on the
    work list fills later (copies are iterative: trees nest deeper than
    Python recurses)."""
    if isinstance(value, Mapping):
        tree = ConfigTree()
        work.append((tree, value, _EMPTY))
        return tree
    if isinstance(value, list):
        items: list[Any] = []
        work.append((items, value, None))
        return items
    return value


def _merged(top: Mapping[str, Any], bottom: Mapping[str, Any]) -> ConfigTree:
    root = ConfigTree()
    work: list[tuple[Any, Any, Any]] = [(root, top, bottom)]
    while work:
        out, high, low = work.pop()
        if isinstance(out, list):
            out.extend([_placeholder(item, work) for item in high])
            continue
        for key, value in low.items():
            if key not in high:
                out[key] = _placeholder(value, work)
            elif isinstance(high[key], Mapping) and isinstance(value, Mapping):
                out[key] = child = ConfigTree()
                work.append((child, high[key], value))
            else:
                out[key] = _placeholder(high[key], work)
        for key, value in high.items():
            if key not in low:
                out[key] = _placeholder(value, work)
    return root
