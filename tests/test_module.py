import importlib
import inspect
import pathlib
import sys

import pytest

from quince_tarragon import _native
from quince_tarragon._native import parse

from conftest import typed

DOC = (
    "Parse HOCON → nested dict (the Python wrapper then wraps it into a `ConfigTree`).\n"
    "`base`: directory used to resolve `include`s (None = cwd, like `parse_string`; "
    "`parse_file` passes\nthe file's directory, like tarragon)."
)


class Outer:
    class Inner:
        pass


class Text(str):
    def __str__(self):
        return "hijacked = 1"


def test_module_surface():
    assert _native.__name__ == "quince_tarragon._native"
    assert _native.__file__.endswith(".abi3.so")
    assert _native.__doc__ == ""
    assert _native.__all__ == ["parse", "__backend__"]
    backend = _native.__backend__
    assert type(backend) is str and backend and backend == backend.lower()
    assert backend.isprintable() and " " not in backend and len(backend) <= 16
    assert parse.__name__ == "parse" and parse.__module__ == "quince_tarragon._native"
    assert parse.__text_signature__ == "(s, base=None)"
    assert parse.__doc__ == DOC
    params = inspect.signature(parse).parameters
    assert [(p.name, p.default) for p in params.values()] == [
        ("s", inspect.Parameter.empty), ("base", None)]


def test_reimport_yields_same_module():
    name = "quince_tarragon._native"
    first = sys.modules.pop(name)
    try:
        again = importlib.import_module(name)
    finally:
        sys.modules[name] = first
    assert again is first
    assert again.__all__ == ["parse", "__backend__"]
    assert again.parse("a = 1") == {"a": 1}


@pytest.mark.parametrize("args, kwargs", [
    (("a = 1",), {}),
    (("a = 1", None), {}),
    (("a = 1",), {"base": None}),
    ((), {"s": "a = 1"}),
    (("a = 1", ""), {}),
    (("a = 1", "/no/such/dir"), {}),
    ((Text("a = 1"),), {}),
    (("a = 1", Text("some/dir")), {}),
])
def test_accepted_bindings(args, kwargs):
    assert typed(parse(*args, **kwargs)) == typed({"a": 1})


@pytest.mark.parametrize("args, kwargs, message", [
    ((), {}, "parse() missing 1 required positional argument: 's'"),
    ((), {"base": None}, "parse() missing 1 required positional argument: 's'"),
    (("a", None, 1), {}, "parse() takes from 1 to 2 positional arguments but 3 were given"),
    (("a",), {"s": "b"}, "parse() got multiple values for argument 's'"),
    (("a", None), {"base": None}, "parse() got multiple values for argument 'base'"),
    (("a",), {"path": "."}, "parse() got an unexpected keyword argument 'path'"),
    ((1,), {"S": "a"}, "parse() got an unexpected keyword argument 'S'"),
    # keywords are checked in the order they were passed
    (("a",), {"s": "b", "path": 1}, "parse() got multiple values for argument 's'"),
    (("a",), {"path": 1, "s": "b"}, "parse() got an unexpected keyword argument 'path'"),
    ((b"a = 1",), {}, "argument 's': 'bytes' object cannot be converted to 'PyString'"),
    ((), {"s": 1.5}, "argument 's': 'float' object cannot be converted to 'PyString'"),
    ((Outer.Inner(),), {}, "argument 's': 'Outer.Inner' object cannot be converted to 'PyString'"),
    # s is converted before base is looked at
    ((1,), {"base": 2}, "argument 's': 'int' object cannot be converted to 'PyString'"),
    (("a = 1",), {"base": pathlib.Path(".")},
     "argument 'base': 'PosixPath' object cannot be converted to 'PyString'"),
    (("a = 1", b"."), {}, "argument 'base': 'bytes' object cannot be converted to 'PyString'"),
    (("a = 1", False), {}, "argument 'base': 'bool' object cannot be converted to 'PyString'"),
])
def test_argument_errors(args, kwargs, message):
    with pytest.raises(TypeError) as info:
        parse(*args, **kwargs)
    assert (type(info.value), info.value.args) == (TypeError, (message,))


@pytest.mark.parametrize("args", [("a = '\ud800'",), ("a = 1", "dir/\udc80")])
def test_lone_surrogates_raise_encode_error(args):
    with pytest.raises(UnicodeEncodeError):
        parse(*args)


@pytest.mark.parametrize("src, expected", [
    # int64 edges: the fast path must hand over to big integers exactly here
    ("a = 9223372036854775807, b = -9223372036854775808", {"a": 2**63 - 1, "b": -2**63}),
    ("a = 9223372036854775808, b = -9223372036854775809", {"a": 2**63, "b": -2**63 - 1}),
    ("a = -000123456789012345678901234567890", {"a": -123456789012345678901234567890}),
    ("a = " + "9" * 400, {"a": int("9" * 400)}),
    ('a = "x\x00y", b = x\x00y', {"a": "x\x00y", "b": "x\x00y"}),
    ("k\x00 = 1", {"k\x00": 1}),
    ('a = "😀\U0010fffd𝄞"', {"a": "😀\U0010fffd𝄞"}),
    ("𝄞.😀 = é", {"𝄞": {"😀": "é"}}),
    ("a = [], b = {}, c = [[], {}]", {"a": [], "b": {}, "c": [[], {}]}),
    ("z = 1, a { y = 1, b = [ { q = 1, c = 2 } ] }, m = 3",
     {"z": 1, "a": {"y": 1, "b": [{"q": 1, "c": 2}]}, "m": 3}),
])
def test_conversion(src, expected):
    assert typed(parse(src)) == typed(expected)

