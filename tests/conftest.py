"""Shared assertions for the HOCON tables."""

import pytest

import quince_tarragon


def kinds(value):
    # == alone takes 1 for 1.0 and True for 1; the leaf types must agree too
    if isinstance(value, dict):
        return {k: kinds(v) for k, v in value.items()}
    if isinstance(value, list):
        return [kinds(v) for v in value]
    return type(value).__name__


def assert_tree(got, expected):
    assert isinstance(got, dict)
    assert got == expected
    assert kinds(got) == kinds(expected)


def assert_hocon(text, expected):
    assert_tree(quince_tarragon.parse_string(text), expected)


def hocon_error(text, cls=None, line=None, column=None):
    """Parses text expecting a failure of class cls (any ConfigError by
    default) at line and column where given; returns the exception."""
    cls = cls or quince_tarragon.ConfigError
    with pytest.raises(quince_tarragon.ConfigError) as info:
        quince_tarragon.parse_string(text)
    e = info.value
    assert isinstance(e, cls), f"{type(e).__name__}: {e}"
    assert e.origin is None
    assert str(e).startswith(f"<string>:{e.line}:{e.column}: ")
    if line is not None:
        assert e.line == line, str(e)
    if column is not None:
        assert e.column == column, str(e)
    return e
