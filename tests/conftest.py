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


class Fails:
    """An expected failure in a table: the exception class and fragments of
    its message."""

    def __init__(self, cls, *fragments):
        self.cls, self.fragments = cls, fragments

    def __repr__(self):
        return f"Fails({self.cls.__name__}, {', '.join(map(repr, self.fragments))})"


def assert_outcome(call, expected):
    """Calls call() and checks its result against expected: a value (types
    compared too) or a Fails. Returns the exception when one is expected."""
    if isinstance(expected, Fails):
        with pytest.raises(expected.cls) as info:
            call()
        for fragment in expected.fragments:
            assert fragment in str(info.value)
        return info.value
    got = call()
    assert got == expected and kinds(got) == kinds(expected)
    return got


def trees(keys=None, scalars=None, min_size=0):
    """A hypothesis strategy for configuration trees: an object at the root,
    objects and lists inside."""
    from hypothesis import strategies as st

    keys = st.text(max_size=6) if keys is None else keys
    if scalars is None:
        scalars = (st.none() | st.booleans() | st.integers() | st.text(max_size=8)
                   | st.floats(allow_nan=False))
    values = st.recursive(scalars, lambda inner: st.lists(inner, min_size=min_size, max_size=4)
                          | st.dictionaries(keys, inner, min_size=min_size, max_size=4),
                          max_leaves=12)
    return st.dictionaries(keys, values, max_size=5)
