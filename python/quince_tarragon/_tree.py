"""`ConfigTree`: the parsed root as a dict, with dotted-path typed access."""

from __future__ import annotations

from typing import Any, cast

from quince_tarragon._errors import ConfigMissingError, ConfigTypeError

__all__ = ["ConfigTree"]


class _Missing:
    def __repr__(self) -> str:
        return "<missing>"


_MISSING: Any = _Missing()
# Stands for "missing, and the caller has a default" inside the typed
# getters, so that a default is returned as given, never type-checked.
_MISSING_WITH_DEFAULT: Any = _Missing()


class ConfigTree(dict[str, Any]):
    """The root of a parsed configuration.

    It is a plain ``dict`` (``json.dumps`` and ``==`` treat it as one) whose
    ``get`` also walks dotted paths: ``conf.get("db.pool.size")``.  No key
    of a parsed document contains a dot, so a path is never ambiguous.
    Every getter takes an optional default, returned when the path is
    missing; without one a missing path raises ``ConfigMissingError``.
    """

    __slots__ = ()

    def _find(self, path: str, default: Any) -> Any:
        if not isinstance(path, str):
            raise TypeError(f"a configuration path is a str, not {type(path).__name__}")
        node: Any = self
        for key in path.split("."):
            if not isinstance(node, dict) or key not in node:
                if default is _MISSING:
                    raise ConfigMissingError(path)
                return default
            node = node[key]
        return node

    def get(self, path: str, default: Any = _MISSING) -> Any:
        return self._find(path, default)

    def _typed(self, path: str, default: Any, expected: str, types: tuple[type, ...]) -> Any:
        value = self._find(path, _MISSING if default is _MISSING else _MISSING_WITH_DEFAULT)
        if value is _MISSING_WITH_DEFAULT:
            return default
        # bool is an int subclass, but True is no answer to "which port?"
        if not isinstance(value, types) or (isinstance(value, bool) and bool not in types):
            raise ConfigTypeError(path, expected, value)
        return value

    def get_string(self, path: str, default: Any = _MISSING) -> str:
        return cast(str, self._typed(path, default, "str", (str,)))

    def get_int(self, path: str, default: Any = _MISSING) -> int:
        return cast(int, self._typed(path, default, "int", (int,)))

    def get_float(self, path: str, default: Any = _MISSING) -> float:
        value = self._typed(path, default, "float", (float, int))
        if type(value) is not int:
            return cast(float, value)
        try:
            return float(value)
        except OverflowError:  # an integer beyond the float range
            raise ConfigTypeError(path, "float", value) from None

    def get_bool(self, path: str, default: Any = _MISSING) -> bool:
        return cast(bool, self._typed(path, default, "bool", (bool,)))

    def get_list(self, path: str, default: Any = _MISSING) -> list[Any]:
        return cast("list[Any]", self._typed(path, default, "list", (list,)))

    def get_config(self, path: str, default: Any = _MISSING) -> ConfigTree:
        value = self._typed(path, default, "dict", (dict,))
        return value if isinstance(value, ConfigTree) or value is default else ConfigTree(value)

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
