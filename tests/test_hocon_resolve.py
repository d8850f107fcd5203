"""HOCON substitutions, full dialect; expectations checked against the reference
implementation of HOCON."""

import pytest

from quince_tarragon import ConfigResolveError, parse_string

from conftest import assert_hocon, hocon_error

RES = ConfigResolveError


ENV = {"QT_FOO": "bar", "QT_NUM": "42", "QT_EMPTY": "", "QT_SP": " s p ",
       "qt": "top", "qt.b": "dotted", "qt.a.b": "dotted"}


@pytest.fixture(autouse=True)
def environment(monkeypatch):
    # a miss in the document falls back to the environment: pin the names the tables use
    for name in ("a", "b", "c", "x", "y", "X", "Y", "foo", "bar", "nope", "nope2", "ok", "QT_NOPE"):
        monkeypatch.delenv(name, raising=False)
    for name, value in ENV.items():
        monkeypatch.setenv(name, value)


@pytest.mark.parametrize("text, expected", [
    # lookups start from the root
    ("x { a = [1], a = ${x.a} [2] }", {"x": {"a": [1, 2]}}),
    ("a = 1\nx { b = ${a} }", {"a": 1, "x": {"b": 1}}),
    ("a = {x : 42, y : ${a.x}}", {"a": {"x": 42, "y": 42}}),
    ("a = 1\nb = ${a}\na = 2", {"a": 2, "b": 2}),
    ("a = {x = 1}\nb = ${a}\na = {y = 2}", {"a": {"x": 1, "y": 2}, "b": {"x": 1, "y": 2}}),
    ("b = {x = 1}\na = ${b}\nc = ${a.x}", {"a": {"x": 1}, "b": {"x": 1}, "c": 1}),
    ("a = ${b}\nb = {x = 1}\nc = ${a.x}", {"a": {"x": 1}, "b": {"x": 1}, "c": 1}),
    ("c = ${a.x}\na = ${b}\nb = {x = {y = 2}}",
     {"a": {"x": {"y": 2}}, "b": {"x": {"y": 2}}, "c": {"y": 2}}),
    ("x = ${a}\na = ${b}\nb = [1]", {"x": [1], "a": [1], "b": [1]}),
    ("a = 10\nb = [${a} 1]", {"a": 10, "b": ["10 1"]}),
    ('a = x\nb = "${a}"', {"a": "x", "b": "${a}"}),
    ('a = ${ "b.c" }\n"b.c" = 1', {"a": 1, "b.c": 1}),
    ('a = ${b."c d".e}\nb { "c d" { e = 1 } }', {"a": 1, "b": {"c d": {"e": 1}}}),
    ("a = ${1.5}${true}\n1.5 = x, true = y", {"a": "xy", "1": {"5": "x"}, "true": "y"}),
    # a self-reference sees the value before it
    ("a = 1\na = ${a}", {"a": 1}),
    ("a = x\na = ${a}\" y\"", {"a": "x y"}),
    ('path = "a:b:c"\npath = ${path}":d"', {"path": "a:b:c:d"}),
    ("a = 1\na = ${a}1\nb = ${a}", {"a": "11", "b": "11"}),
    ("a = [1]\na = ${a} [2]\na = ${a} [3]", {"a": [1, 2, 3]}),
    ("a = {x = 1}\na = ${a} {y = 2}", {"a": {"x": 1, "y": 2}}),
    ("a.b = x\na.b = ${a.b}\" y\"", {"a": {"b": "x y"}}),
    ("a { b = x }\na.b = ${a.b}\" y\"", {"a": {"b": "x y"}}),
    ("a { b = x }\na { b = ${a.b}\" y\" }", {"a": {"b": "x y"}}),
    ("a { b = [1] }\na { b = ${a.b} [2] }", {"a": {"b": [1, 2]}}),
    ("a.b = 1\na = ${a} {c = 2}", {"a": {"b": 1, "c": 2}}),
    ("a = 1\na { b = 2 }\na = ${a} {c = 3}", {"a": {"b": 2, "c": 3}}),
    ("a = 1\nb { c = ${a} }\nb = ${b} {d = ${a}}", {"a": 1, "b": {"c": 1, "d": 1}}),
    ("foo : { a : { c : 1 } }\nfoo : ${foo.a}\nfoo : { a : 2 }", {"foo": {"a": 2, "c": 1}}),
    ("x = ${?x} [1]\ny = [0]\ny = ${?y} [1]", {"x": [1], "y": [0, 1]}),
    ("a = ${?a}", {}),
    ("a = ${?a}foo", {"a": "foo"}),
    ("a = {x:1}\na = ${?a} {y:2}", {"a": {"x": 1, "y": 2}}),
    # merges and concatenations see through substitutions
    ("a = ${b} {y = 2}\nb = {x = 1}", {"a": {"x": 1, "y": 2}, "b": {"x": 1}}),
    ("a = {y = 2} ${b}\nb = {x = 1}", {"a": {"x": 1, "y": 2}, "b": {"x": 1}}),
    ("a = {x = 1}\na = ${b}\nb = {y = 2}", {"a": {"x": 1, "y": 2}, "b": {"y": 2}}),
    ("a = ${b}\na = {x = 1}\nb = {y = 2, x = 0}", {"a": {"x": 1, "y": 2}, "b": {"x": 0, "y": 2}}),
    ("a = ${b} ${c}\nb = {x=1}, c = {y=2}", {"a": {"x": 1, "y": 2}, "b": {"x": 1}, "c": {"y": 2}}),
    ("a = [1] ${b}\nb = [2]", {"a": [1, 2], "b": [2]}),
    ("a = ${b} [2]\nb = [1]", {"a": [1, 2], "b": [1]}),
    ("a = {x = 1}\nb = ${a}${a}\nc = ${a} ${a}", {"a": {"x": 1}, "b": {"x": 1}, "c": {"x": 1}}),
    ("a = [1]\nb = ${a}${a}", {"a": [1], "b": [1, 1]}),
    ("a = x\nb = ${a}${a}", {"a": "x", "b": "xx"}),
    ("bar : { a : ${foo.d}, b : 1 }\nbar.b = 3\nfoo : { c : ${bar.b}, d : 2 }\nfoo.d = 4",
     {"bar": {"a": 4, "b": 3}, "foo": {"c": 3, "d": 4}}),
    ("bar : { foo : 42,\n baz : ${bar.foo}\n}\nbar : { foo : 43 }",
     {"bar": {"foo": 43, "baz": 43}}),
    # null is a value; an optional miss is nothing
    ("x = null\ny = ${x}\nz = ${?x}\nw = [${x}, 1]\nv = ${x} z",
     {"x": None, "y": None, "z": None, "w": [None, 1], "v": "null z"}),
    ("a = 1\na = ${?X}", {"a": 1}),
    ("a = 1\na = ${?X}\na = ${?Y}", {"a": 1}),
    ("a = 1\na = ${?X}\na = ${?a}", {"a": 1}),
    ("a = {x = 1}\na = ${?X}\na {y = 2}", {"a": {"x": 1, "y": 2}}),
    ("a = ${?b}\nb = ${?a}", {}),
    ("y = [${?nope}, 1]\nz = [${?nope}]", {"y": [1], "z": []}),
    ("a = ${?x} foo\nb = foo ${?x}\nc = foo ${?x} bar",
     {"a": " foo", "b": "foo ", "c": "foo  bar"}),
    ('a = "" ${?x}', {"a": " "}),
    ('a = ${?x}""', {"a": ""}),
    ("a = ${?x}${?y}", {}),
    ("a = [${?x}${?y}]", {"a": []}),
    ("a = [1] ${?nope} [2]", {"a": [1, 2]}),
    ("a = {x=1} ${?nope} {y=2}", {"a": {"x": 1, "y": 2}}),
    ("a = ${?nope} [2]", {"a": [2]}),
    ("a = ${?nope} {y=2}", {"a": {"y": 2}}),
    # a value that is overridden is never evaluated
    ("foo : ${does-not-exist}\nfoo : 42", {"foo": 42}),
    ("foo = ${foo}\nfoo = 42", {"foo": 42}),
    ("foo = {a = 1}\nfoo : ${does-not-exist}\nfoo : 42", {"foo": 42}),
    ("a = [${nope}]\na = 1", {"a": 1}),
    ("a { b = ${nope} }\na = 1", {"a": 1}),
    ("a = ${b}\nb = ${a}\na = 1\nb = 2", {"a": 1, "b": 2}),
    # += appends to an array, created if need be
    ("a += 1", {"a": [1]}),
    ("a += 1\na += 2", {"a": [1, 2]}),
    ("a\n+= 1\na +=\n2", {"a": [1, 2]}),
    ("a = [0]\na += 1", {"a": [0, 1]}),
    ("a += [1]", {"a": [[1]]}),
    ("a += {x=1}", {"a": [{"x": 1}]}),
    ("a = ${?a} [1]\na += 2", {"a": [1, 2]}),
    ("a += ${b}\nb = 5", {"a": [5], "b": 5}),
    ("a = [0]\na += ${b}\nb = [5]", {"a": [0, [5]], "b": [5]}),
    ("a.b += 1\na.b += 2", {"a": {"b": [1, 2]}}),
    ("x { a += 1 }\nx { a += 2 }", {"x": {"a": [1, 2]}}),
    ("x { a = [0] }\nx.a += 1", {"x": {"a": [0, 1]}}),
    # a path missing from the document reads the environment (as a string)
    ('x = ${QT_FOO}\ny = ${?QT_FOO}\nz = ${"QT_FOO"}', {"x": "bar", "y": "bar", "z": "bar"}),
    ("x = pre${QT_FOO}post\ny { z = ${QT_FOO} }", {"x": "prebarpost", "y": {"z": "bar"}}),
    ("x = [${QT_FOO}, ${?QT_NOPE}]", {"x": ["bar"]}),
    ("x = 1\nx = ${?QT_FOO}", {"x": "bar"}),
    ("x = ${?QT_FOO}\nx = 1", {"x": 1}),
    ("QT_FOO = mine\nx = ${QT_FOO}", {"QT_FOO": "mine", "x": "mine"}),
    ("QT_FOO = null\nx = ${QT_FOO}", {"QT_FOO": None, "x": None}),
    ("QT_FOO { a = 1 }\nx = ${QT_FOO}", {"QT_FOO": {"a": 1}, "x": {"a": 1}}),
    ("QT_FOO = 1\nQT_FOO = ${QT_FOO}x", {"QT_FOO": "1x"}),
    # with no earlier value in the document, a self-reference reads the environment
    ("QT_FOO = ${?QT_FOO}", {"QT_FOO": "bar"}),
    ("QT_FOO = ${QT_FOO}x", {"QT_FOO": "barx"}),
    ("x = ${QT_NUM}\ny = ${QT_NUM} 1", {"x": "42", "y": "42 1"}),
    ("x = ${QT_EMPTY}\ny = ${QT_SP}", {"x": "", "y": " s p "}),
    ('x = ${"qt.a.b"}\ny = ${?qt.a.b}', {"x": "dotted"}),
    ("x = ${qt}", {"x": "top"}),
    ("x = ${?QT_NOPE}", {}),
])
def test_substitutions(text, expected):
    assert_hocon(text, expected)


@pytest.mark.parametrize("text, line, column, fragment", [
    ("x = ${nope}", 1, 5, "nope"),
    ("x { a = 1, b = ${a} }", 1, 16, "a"),
    ("x { a = [1], a = ${a} [2] }", 1, 18, "a"),
    ("a = [\n1,\n${nope}\n]", 3, 1, "nope"),
    ("a {\n  b {\n    c = x ${nope.p}\n  }\n}", 3, 11, "nope.p"),
    ('a = """x\ny"""\nb = ${nope}', 3, 5, "nope"),
    ("a = 1\n\n\nb = ${?ok} ${nope}", 4, 12, "nope"),
    ("x = ${a}\na = ${b}\nb = ${nope}", 3, 5, "nope"),
    ("a = {\n x = 1\n}\nb = ${a.y}", 4, 5, "a.y"),
    ("a = 1\nb = ${a.y}", 2, 5, "a.y"),
    ("foo : ${does-not-exist}\nfoo : {a = 1}", 1, 7, "does-not-exist"),
    ("a = ${nope}\na = ${?nope2}", 1, 5, "nope"),
    ("a = 1\na = ${nope}\na = ${?nope2}", 2, 5, "nope"),
    ("\U0001F600 = 1, a = ${nope}", 1, 12, "nope"),
    # a cycle is reported where it closes
    ("a = ${a}", 1, 5, "cycle: ${a} "),
    ("a = ${a}bc", 1, 5, "cycle: ${a} "),
    ("a : { b : ${a} }", 1, 11, "cycle: ${a} "),
    ("a = [${a}]", 1, 6, "cycle: ${a} "),
    ("a = ${b}\nb = ${a}", 2, 5, "cycle: ${a} "),
    ("a = ${b}\nb = ${c}\nc = ${a}", 3, 5, "cycle: ${a} "),
    ("a = { x = ${b} }\nb = ${a.x}", 2, 5, "cycle: ${a.x} "),
    ("a = ${a.x}", 1, 5, "cycle: ${a.x} "),
    # a miss in the environment too
    ("x = ${QT_NOPE}", 1, 5, "QT_NOPE"),
    ("x = ${qt.a.b}", 1, 5, "qt.a.b"),
    ("x = ${QT_FOO.z}", 1, 5, "QT_FOO.z"),
    # appending to a value that is not an array
    ("a = 5\na += 1", 2, 3, "not allowed"),
    ("a = {x=1}\na += 1", 2, 3, "not allowed"),
    ("a = x\na += 1", 2, 3, "not allowed"),
    ("a = 5\na = ${a} [1]", 2, 5, "not allowed"),
])
def test_resolve_errors(text, line, column, fragment):
    e = hocon_error(text, RES, line, column)
    assert fragment in str(e)


def test_copies_of_one_value_are_independent():
    conf = parse_string("a = {x = 1}\nb = ${a}\nc = ${a}")
    assert conf == {"a": {"x": 1}, "b": {"x": 1}, "c": {"x": 1}}
    conf["b"]["x"] = 2
    assert conf["a"] == {"x": 1} and conf["c"] == {"x": 1}
