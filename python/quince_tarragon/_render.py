"""Trees back to text: HOCON, JSON or Java properties."""

from __future__ import annotations

import math
import re
from collections.abc import Callable, Mapping
from json.encoder import encode_basestring
from typing import Any, Literal, NamedTuple

from quince_tarragon._convert import STRING, Refused, kind, number_text

__all__ = ["Format", "dumps"]

Format = Literal["hocon", "json", "properties"]

# A HOCON key needs no quotes when it is one plain word; "include" would
# start a directive.
_BARE_KEY = re.compile(r"[A-Za-z_][A-Za-z0-9_-]*")


class _Style(NamedTuple):
    key: Callable[[str], str]
    scalar: Callable[[Any], str]
    assign: str         # between a key and its value
    assign_object: str  # between a key and an object
    comma: str          # between two members or elements
    braced_root: bool


def _scalar(value: Any, infinity: bool) -> str:
    if isinstance(value, str):
        return encode_basestring(value)
    if value is None or isinstance(value, bool):
        return "null" if value is None else "true" if value else "false"
    if isinstance(value, float) and not math.isfinite(value) and not infinity:
        raise ValueError(f"JSON has no number for {value!r}")
    if isinstance(value, (int, float)):
        return number_text(value)
    raise TypeError(f"cannot write a value of type {type(value).__name__}")


def _hocon_key(key: str) -> str:
    bare = _BARE_KEY.fullmatch(key) and key != "include"
    return key if bare else encode_basestring(key)


def _style(format: str, indent: int) -> _Style:
    if format == "json":
        colon = ": " if indent else ":"
        return _Style(encode_basestring, lambda v: _scalar(v, False), colon, colon, ",", True)
    return _Style(_hocon_key, lambda v: _scalar(v, True), " = ", " ", "" if indent else ", ", False)


def _members(value: Any, depth: int, indent: int, style: _Style, work: list[Any],
             lead: bool = True) -> None:
    """Puts the members of a container on the work list, the first one on
    top; `lead` says whether the first one starts a new line."""
    items = list(value.items()) if isinstance(value, Mapping) else [(None, v) for v in value]
    pad = "\n" + " " * (indent * depth) if indent else ""
    for i in range(len(items) - 1, -1, -1):
        key, item = items[i]
        work.append(((style.comma if i else "") + (pad if i or lead else ""), key, item, depth))


def _nested(root: Mapping[str, Any], indent: int, style: _Style) -> str:
    out: list[str] = []
    # Iterative, for documents that nest deeper than Python recurses: a work
    # item is text to write or (prefix, key, value, depth).
    work: list[Any] = []
    if style.braced_root:
        work.append(("", None, root, 0))
    else:
        _members(root, 0, indent, style, work, lead=False)
    while work:
        item = work.pop()
        if isinstance(item, str):
            out.append(item)
            continue
        prefix, key, value, depth = item
        out.append(prefix)
        if key is not None:
            out.append(style.key(key) + (style.assign_object if isinstance(value, Mapping)
                                         else style.assign))
        if not isinstance(value, (Mapping, list)):
            out.append(style.scalar(value))
        elif not value:
            out.append("{}" if isinstance(value, Mapping) else "[]")
        else:
            out.append("{" if isinstance(value, Mapping) else "[")
            pad = "\n" + " " * (indent * depth) if indent else ""
            work.append(pad + ("}" if isinstance(value, Mapping) else "]"))
            _members(value, depth + 1, indent, style, work)
    return "".join(out)


def _escapes(specials: str) -> dict[int, str]:
    table = {c: f"\\u{c:04x}" for c in [*range(0x20), 0x7F]}
    table.update({ord(c): "\\" + e for c, e in zip("\t\n\r\f", "tnrf")})
    table.update({ord(c): "\\" + c for c in specials})
    return table


# In a key, a separator, a space or a comment mark would end it or the line;
# after the separator only backslashes are special.
_KEY_ESCAPES = _escapes("\\=: #!")
_VALUE_ESCAPES = _escapes("\\")


def _property_value(value: Any, where: str) -> str:
    try:
        text = STRING.apply(value)
    except Refused:
        raise ValueError(f"a properties file has no way to write the {kind(value)} "
                         f"at {where!r}") from None
    text = text.translate(_VALUE_ESCAPES)
    # The reader skips spaces before a value.
    return "\\" + text if text.startswith(" ") else text


_LEAVE = object()


def _properties(root: Mapping[str, Any]) -> str:
    lines: list[str] = []
    path: list[str] = []  # the escaped keys down to the container being written
    work: list[Any] = [(None, root)]
    while work:
        item = work.pop()
        if item is _LEAVE:
            path.pop()
            continue
        segment, value = item
        if not isinstance(value, (Mapping, list)):
            where = ".".join([*path, segment])
            lines.append(f"{where} = {_property_value(value, where)}")
            continue
        if segment is not None:
            if not value:
                raise ValueError(f"a properties file has no way to write the empty {kind(value)} "
                                 f"at {'.'.join([*path, segment])!r}")
            path.append(segment)
            work.append(_LEAVE)
        entries = value.items() if isinstance(value, Mapping) else enumerate(value)
        work.extend(reversed([(_property_key(key, path), child) for key, child in entries]))
    return "\n".join(lines)


def _property_key(key: Any, path: list[str]) -> str:
    if isinstance(key, int):
        return str(key)
    if "." in key:
        raise ValueError(f"a properties file has no way to write the key {key!r} "
                         f"(under {'.'.join(path)!r}): it holds a dot")
    return str(key.translate(_KEY_ESCAPES))


def dumps(tree: Mapping[str, Any], format: Format = "hocon", indent: int = 2) -> str:
    """The tree as text, without a final newline.

    ``"hocon"`` gives text that `parse_string` reads back as an equal tree
    (keys quoted where needed, every string quoted, an infinity written as
    ``1e999``).  ``"json"`` gives JSON, as ``json.dumps`` would; infinities
    and NaN raise ValueError.  ``"properties"`` gives Java properties lines
    ``a.b.c = value``, list elements under their index (``a.0``, ``a.1``),
    every value as its text; it raises ValueError for what such a file cannot
    hold: a key with a dot, null, an empty object or list, NaN.

    `indent` is the number of spaces per level; 0 gives one line (JSON
    without any whitespace).  The properties format ignores it.
    """
    if not isinstance(tree, Mapping):
        raise TypeError(f"dumps takes a mapping, not {type(tree).__name__}")
    if format not in ("hocon", "json", "properties"):
        raise ValueError(f"unknown format {format!r}: 'hocon', 'json' or 'properties'")
    if not isinstance(indent, int) or indent < 0:
        raise ValueError(f"indent must be a non-negative int, not {indent!r}")
    if format == "properties":
        return _properties(tree)
    return _nested(tree, indent, _style(format, indent))
