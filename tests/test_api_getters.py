"""Path lookup and the typed getters, with their conversions."""

import pickle
import re

import pytest

from quince_tarragon import (ConfigMissingError, ConfigSyntaxError, ConfigTree, ConfigTypeError,
                             parse_string)

from conftest import Fails, assert_outcome

DOC = r"""
i = 42, neg = -7, big = 123456789012345678901234567890, whole = 2.0, half = 1.5
huge = 1e400, tiny = 1e-7, sci = 1e16, yes = true, no = false, nothing = null
s { int = "42", neg = "-7", exp = "1e3", frac = "1.5", huge = "1e400", lead = "007",
    hex = "0x10", spaced = " 42", arabic = "١٢", word = abc, empty = "",
    yes = yes, on = on, off = off, no = no, t = "true", f = "false", caps = "True", one = "1" }
obj { a = 1 }
list = [1, "2", 3.0]
indexed { "2" = c, "10" = d, "0" = a, x = ignored, "1" = b, "-1" = ignored }
words { x = 1 }
empty {}
"akka.actor" { "java.io.Serializable" = java }
hosts = [{name = a}, {name = b}], flags = [true, "off", yes], holes = [1, null]
""" + "vast = " + "9" * 400

TYPE = ConfigTypeError


@pytest.fixture(scope="module")
def conf():
    return parse_string(DOC)


@pytest.mark.parametrize("getter, path, expected", [
    # strings: numbers and booleans as their text, nothing else
    ("get_string", "s.word", "abc"),
    ("get_string", "i", "42"),
    ("get_string", "big", "123456789012345678901234567890"),
    ("get_string", "half", "1.5"),
    ("get_string", "whole", "2.0"),       # still reads as a float
    ("get_string", "sci", "1e+16"),
    ("get_string", "tiny", "1e-07"),
    ("get_string", "huge", "1e999"),      # a JSON number that overflows back to inf
    ("get_string", "yes", "true"),
    ("get_string", "obj", Fails(TYPE, "'obj'", "expected string, found object")),
    ("get_string", "list", Fails(TYPE, "found list")),
    # integers: no fraction, no boolean; strings in JSON number syntax
    ("get_int", "i", 42),
    ("get_int", "big", 123456789012345678901234567890),
    ("get_int", "whole", 2),
    ("get_int", "s.int", 42),
    ("get_int", "s.neg", -7),
    ("get_int", "s.exp", 1000),
    ("get_int", "half", Fails(TYPE, "expected integer, found number 1.5")),
    ("get_int", "huge", Fails(TYPE, "found number inf")),
    ("get_int", "yes", Fails(TYPE, "found boolean")),
    ("get_int", "s.frac", Fails(TYPE, "found string '1.5'")),
    ("get_int", "s.lead", Fails(TYPE, "'007'")),
    ("get_int", "s.hex", Fails(TYPE, "'0x10'")),
    ("get_int", "s.spaced", Fails(TYPE, "' 42'")),
    ("get_int", "s.arabic", Fails(TYPE, "found string")),
    ("get_int", "s.empty", Fails(TYPE, "found string ''")),
    ("get_int", "obj", Fails(TYPE, "found object")),
    # floats
    ("get_float", "half", 1.5),
    ("get_float", "i", 42.0),
    ("get_float", "s.frac", 1.5),
    ("get_float", "s.int", 42.0),
    ("get_float", "s.huge", float("inf")),
    ("get_float", "yes", Fails(TYPE, "expected number, found boolean")),
    ("get_float", "s.word", Fails(TYPE, "'abc'")),
    ("get_float", "vast", Fails(TYPE, "found number (a very long integer) (out of range)")),
    # booleans: six words, lowercase
    ("get_bool", "yes", True),
    ("get_bool", "no", False),
    ("get_bool", "s.yes", True),
    ("get_bool", "s.on", True),
    ("get_bool", "s.t", True),
    ("get_bool", "s.off", False),
    ("get_bool", "s.no", False),
    ("get_bool", "s.f", False),
    ("get_bool", "s.caps", Fails(TYPE, "expected boolean, found string 'True'")),
    ("get_bool", "s.one", Fails(TYPE, "'1'")),
    ("get_bool", "i", Fails(TYPE, "found number 42")),
    # lists: an object with numeric keys reads as one, in numeric order
    ("get_list", "list", [1, "2", 3.0]),
    ("get_list", "indexed", ["a", "b", "c", "d"]),
    ("get_list", "words", Fails(TYPE, "expected list, found object (no numeric keys)")),
    ("get_list", "empty", Fails(TYPE, "found object")),
    ("get_list", "s.word", Fails(TYPE, "found string")),
    ("get_config", "obj", {"a": 1}),
    ("get_config", "list", Fails(TYPE, "expected object, found list")),
    # typed lists convert every element and name the index of a bad one
    ("get_int_list", "list", [1, 2, 3]),
    ("get_float_list", "list", [1.0, 2.0, 3.0]),
    ("get_string_list", "list", ["1", "2", "3.0"]),
    ("get_string_list", "indexed", ["a", "b", "c", "d"]),
    ("get_bool_list", "indexed", Fails(TYPE, "'indexed'[0]: expected boolean, found string 'a'")),
    ("get_int_list", "indexed", Fails(TYPE, "'indexed'[0]")),
    ("get_config_list", "list", Fails(TYPE, "'list'[0]: expected object, found number 1")),
    ("get_int_list", "obj", Fails(TYPE, "'obj': expected list")),
    ("get_config_list", "hosts", [{"name": "a"}, {"name": "b"}]),
    ("get_bool_list", "flags", [True, False, True]),
    ("get_int_list", "holes", Fails(TYPE, "'holes'[1]: expected integer, found null")),
])
def test_typed_getters(conf, getter, path, expected):
    err = assert_outcome(lambda: getattr(conf, getter)(path), expected)
    if isinstance(err, ConfigTypeError):
        assert isinstance(err, TypeError) and err.path == path
        assert f"expected {err.expected}, found {err.found}" in str(err)
        assert err.index is None or f"{path!r}[{err.index}]: " in str(err)
        # the default stands for a missing value, never for a wrong one
        with pytest.raises(ConfigTypeError):
            getattr(conf, getter)(path, "unused")


GETTERS = ["get_string", "get_int", "get_float", "get_bool", "get_list", "get_config",
           "get_string_list", "get_int_list", "get_float_list", "get_bool_list",
           "get_config_list", "get_duration", "get_bytes"]


@pytest.mark.parametrize("getter", GETTERS)
def test_null_and_missing(conf, getter):
    get = getattr(conf, getter)
    for path in ("nothing", "absent", "obj.a.deeper", "list.0"):
        sentinel = object()
        assert get(path, sentinel) is sentinel  # returned as given, not converted
        assert get(path, None) is None
        with pytest.raises(ConfigMissingError) as info:
            get(path)
        assert isinstance(info.value, KeyError)
        message = "is null" if path == "nothing" else "missing"
        assert message in str(info.value) and repr(path) in str(info.value)


@pytest.mark.parametrize("path, expected", [
    ("i", 42),
    ("obj.a", 1),
    ("nothing", None),
    ('"akka.actor"."java.io.Serializable"', "java"),
    ('akka.actor."java.io.Serializable"', "absent"),
    ("list.0", "absent"),                       # lists have no keys
    ("i.x", "absent"),
    (" obj.a ", 1),                             # whitespace around the path is not part of it
    ("obj . a", "absent"),                      # but around a dot it is: "obj " and " a"
])
def test_get_and_has_path(conf, path, expected):
    assert conf.get(path, "absent") == expected
    assert conf.has_path(path) is (expected not in (None, "absent"))


def test_every_object_is_a_config_tree(conf):
    reached = [conf["obj"], conf.get("obj"), *conf.values(), *(v for _, v in conf.items()),
               *parse_string("l = [{a = 1}, [{b = 2}]]")["l"], *conf.get_config_list("hosts")]
    assert all(type(v) is ConfigTree for v in reached if isinstance(v, dict))
    assert type(conf.get_config("obj")) is ConfigTree
    plain = ConfigTree({"a": {"b": 1}})
    assert type(plain.get_config("a")) is ConfigTree and plain.get_int("a.b") == 1


@pytest.mark.parametrize("error", [
    ConfigTypeError("a.b", "integer", "string", " 'x'", 3),
    ConfigMissingError("a.b", "configuration path 'a.b' is null"),
])
def test_getter_errors_pickle(error):
    copy = pickle.loads(pickle.dumps(error))
    assert type(copy) is type(error) and str(copy) == str(error)
    assert copy.__dict__ == error.__dict__


@pytest.mark.parametrize("path", ["a..b", "", "obj.", "a b.${x}"])
def test_paths_are_checked(conf, path):
    for call in (conf.get, conf.has_path, lambda p: conf.get_list(p, None)):
        with pytest.raises(ConfigSyntaxError, match="invalid path " + re.escape(repr(path))):
            call(path)
    with pytest.raises(TypeError, match="path"):
        conf.get_int([path])
