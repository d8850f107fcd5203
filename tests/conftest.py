"""Shared by the test modules."""

import os
import subprocess
import sys

import pytest

import quince_tarragon


def typed(v, ordered=True):
    # == ignores key order and takes 1 == 1.0 == True: compare types, reprs and, if asked, order
    if isinstance(v, dict):
        items = v.items() if ordered else sorted(v.items())
        return ("dict", [(k, typed(x, ordered)) for k, x in items])
    if isinstance(v, list):
        return ("list", [typed(x, ordered) for x in v])
    return (type(v).__name__, repr(v))


def assert_tree(got, expected):
    assert isinstance(got, dict)
    assert typed(got, False) == typed(expected, False)


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
    assert typed(got, False) == typed(expected, False)
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


CHILD_PRELUDE = """
import resource, sys
limit = {limit}
if limit:
    resource.setrlimit(resource.RLIMIT_AS, (limit << 20, limit << 20))
"""


def run_child(code, stdin="", limit_mb=0, timeout=120):
    """Runs code in a fresh interpreter that imports this package (with its
    address space capped at limit_mb when given), so that a crash or a
    runaway fails one test instead of the run. Returns the CompletedProcess."""
    pkg_root = os.path.dirname(os.path.dirname(quince_tarragon.__file__))
    env = dict(os.environ, PYTHONPATH=pkg_root)
    if "libasan" in env.get("LD_PRELOAD", ""):
        limit_mb = 0  # the sanitizer reserves terabytes of address space up front
    return subprocess.run([sys.executable, "-c", CHILD_PRELUDE.format(limit=limit_mb) + code],
                          input=stdin, text=True, env=env, capture_output=True, timeout=timeout)


def cli(*args, stdin=""):
    return subprocess.run([sys.executable, "-m", "quince_tarragon", *args], input=stdin,
                          capture_output=True, text=True)
