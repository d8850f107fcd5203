"""Trees over fallbacks, and values set over a document before it resolves."""

import copy
import io

import pytest
from hypothesis import given, settings

from quince_tarragon import (ConfigSyntaxError, ConfigTree, dumps, load, loads, parse_file,
                             parse_string)

from conftest import Fails, assert_outcome, trees, typed


@pytest.mark.parametrize("top, fallback, expected", [
    ({"a": {"x": 1}}, {"a": {"y": 2}}, {"a": {"x": 1, "y": 2}}),
    ({"a": {"b": {"x": 1}}}, {"a": {"b": {"x": 0, "y": 2}, "c": 3}},
     {"a": {"b": {"x": 1, "y": 2}, "c": 3}}),
    ({"a": 42}, {"a": {"y": 2}}, {"a": 42}),              # a non-object hides the object
    ({"a": {"x": 1}}, {"a": 42}, {"a": {"x": 1}}),
    ({"a": None}, {"a": {"y": 2}}, {"a": None}),          # null clears a default
    ({"a": [1]}, {"a": [2, 3]}, {"a": [1]}),              # lists replace, never merge
    ({}, {"a": [{"b": 1}]}, {"a": [{"b": 1}]}),
    ({"a": 1}, {}, {"a": 1}),
])
def test_with_fallback(top, fallback, expected):
    top, fallback = ConfigTree(copy.deepcopy(top)), copy.deepcopy(fallback)
    before = copy.deepcopy((top, fallback))
    merged = assert_outcome(lambda: top.with_fallback(fallback), expected)
    assert (top, fallback) == before
    assert type(merged) is ConfigTree


def test_fallbacks_chain():
    first = ConfigTree(a={"x": 1}, b=1)
    second, third = {"a": {"y": 2}, "b": 2, "c": 2}, {"a": {"z": 3}, "c": 3, "d": 3}
    document = parse_string(dumps(third) + "\n" + dumps(second) + "\n" + dumps(first))
    assert typed(first.with_fallback(second).with_fallback(third)) == typed(document)
    # A tree keeps no trace of what it hid: in a document 42 would also hide {y = 2}.
    hiding = ConfigTree(a={"x": 1}).with_fallback({"a": 42})
    assert hiding.with_fallback({"a": {"y": 2}}) == {"a": {"x": 1, "y": 2}}


def test_merged_tree_is_its_own():
    top = parse_string("a { l = [{x = 1}], o { p = 1 } }")
    fallback = {"a": {"q": {"r": [1]}}, "b": [{"c": {}}]}
    merged = top.with_fallback(fallback)
    nested = [merged["a"], merged["a"]["l"][0], merged["a"]["o"], merged["a"]["q"],
              merged["b"][0], merged["b"][0]["c"]]
    assert all(type(n) is ConfigTree for n in nested)
    merged["a"]["l"][0]["x"] = 2
    merged["a"]["q"]["r"].append(2)
    merged["b"][0]["c"]["d"] = 1
    assert top["a"]["l"] == [{"x": 1}] and fallback == {"a": {"q": {"r": [1]}}, "b": [{"c": {}}]}
    with pytest.raises(TypeError, match="mapping"):
        top.with_fallback([("a", 1)])


def test_fallback_of_deep_trees():
    deep = parse_string("a." * 1999 + "x = 1")
    merged = deep.with_fallback(parse_string("a." * 1999 + "y = 2"))
    assert merged.get("a." * 1999 + "y") == 2 and merged.get("a." * 1999 + "x") == 1


@settings(max_examples=150, deadline=None, database=None)
@given(trees(), trees())
def test_fallback_is_writing_the_fallback_first(top, fallback):
    # merging two trees gives what one document holding both gives, key order included
    document = parse_string(dumps(fallback) + "\n" + dumps(top))
    assert typed(ConfigTree(top).with_fallback(fallback)) == typed(document)


@pytest.mark.parametrize("text, overrides, expected", [
    ("db { host = h, port = 1 }, url = ${db.host}", {"db.host": "x"},
     {"db": {"host": "x", "port": 1}, "url": "x"}),
    ("db { host = h, port = 1 }", {"db": {"port": 2, "user": "u"}},
     {"db": {"host": "h", "port": 2, "user": "u"}}),
    ("a { b = 1 }", {"a": 5}, {"a": 5}),
    ("a = 5", {"a.b": 1}, {"a": {"b": 1}}),
    ('x = ${a."b.c"}', {'a."b.c"': [1, (2, 3), {"k": None}]},
     {"x": [1, [2, 3], {"k": None}], "a": {"b.c": [1, [2, 3], {"k": None}]}}),
    ("n = ${?NAME}", {"NAME": "set"}, {"n": "set", "NAME": "set"}),
    ("a = 1", {"b": {"c.d": True}}, {"a": 1, "b": {"c.d": True}}),    # dict keys are literal
    ("a = ${b}", {"b": 1.5}, {"a": 1.5, "b": 1.5}),
    ("a = 1", {"a..b": 1}, Fails(ConfigSyntaxError, "invalid path 'a..b'")),
    ("a = 1", {"": 1}, Fails(ConfigSyntaxError, "invalid path ''")),
    ("a = 1", {"a": object()}, Fails(TypeError, "override")),
    ("a = 1", [("a", 1)], Fails(TypeError, "overrides must be a mapping")),
])
def test_overrides(text, overrides, expected):
    assert_outcome(lambda: parse_string(text, overrides=overrides, env={}), expected)


def test_overrides_and_env_reach_every_entry_point(tmp_path):
    (tmp_path / "app.conf").write_text('include "db.conf"\nurl = ${db.host}":"${PORT}')
    (tmp_path / "db.conf").write_text("db.host = h")
    expected = {"db": {"host": "test"}, "url": "test:99"}
    keywords = dict(overrides={"db.host": "test"}, env={"PORT": "99"})
    assert parse_file(tmp_path / "app.conf", **keywords) == expected
    with open(tmp_path / "app.conf", "rb") as f:
        assert load(f, **keywords) == expected
    with open(tmp_path / "app.conf", encoding="utf-8") as f:
        assert load(f, **keywords) == expected
    text = (tmp_path / "app.conf").read_text()
    assert loads(text, tmp_path, **keywords) == expected
    assert load(io.StringIO('a = "é"')) == load(io.BytesIO('a = "é"'.encode())) == {"a": "é"}
    (tmp_path / "x.properties").write_text("a.b = 1")
    with open(tmp_path / "x.properties", encoding="utf-8") as f:
        assert load(f) == {"a": {"b": "1"}}  # the name's extension chooses the syntax
