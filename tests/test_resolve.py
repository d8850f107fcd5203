"""Resolution of substitutions and concatenations by the native engine."""

import pytest

from quince_tarragon._native import parse


class Fails(str):
    """Expected outcome: NotImplementedError carrying exactly this message."""


def unresolved(path):
    return Fails("Cannot resolve variable ${" + path + "}")


def circular(path):
    return Fails("circular substitution ${" + path + "}")


OBJ_ARR = Fails("object/array not allowed in a string concatenation")
BAD_FLOAT = Fails("float outside the iso-renderable range in string concatenation")

# Every environment name a test relies on being absent unless it sets it.
ENV_NAMES = ["QT_TEST_V", "QT_TEST_V.x", "QT_TEST_A.0", "QT_TEST_A.x", "QT_TEST_A.y",
             "QT_TEST_M1", "QT_TEST_M2", "QT_TEST_M1.b", "QT_TEST_M1..b",
             "?QT_TEST_M1", "qt_test_k", "QT_TEST_X", "QT_TEST_EQ"]


@pytest.fixture(autouse=True)
def clean_env(monkeypatch):
    for name in ENV_NAMES:
        monkeypatch.delenv(name, raising=False)


def check(text, expected):
    if isinstance(expected, Fails):
        with pytest.raises(NotImplementedError) as info:
            parse(text)
        assert type(info.value) is NotImplementedError
        assert info.value.args == (str(expected),)
    else:
        # repr keeps key order and tells 1 from True and 1.0, and 0.0 from -0.0
        assert repr(parse(text)) == repr(expected)


@pytest.mark.parametrize("text, expected", [
    ("a = 1\nb = ${a}", {"a": 1, "b": 1}),
    ("a = {x = 1}\nb = ${a.x}", {"a": {"x": 1}, "b": 1}),
    ("c = ${b}\nb = ${a}\na = 1", {"c": 1, "b": 1, "a": 1}),
    ("a = {x = 1, y = ${a.x}}", {"a": {"x": 1, "y": 1}}),
    ("b = ${a}\na = 1\na = 2", {"b": 2, "a": 2}),
    ("a.b = 1\nc = ${ a . b }", {"a": {"b": 1}, "c": 1}),
    ("a..b = 1\nc = ${a..b}", {"a": {"": {"b": 1}}, "c": 1}),
    (".a = 1\nc = ${}", {"": {"a": 1}, "c": {"a": 1}}),
    ("b = ${a.x}\na = {x = {y = [1]}}", {"b": {"y": [1]}, "a": {"x": {"y": [1]}}}),
    ("a = {x = ${c}}\nc = 3\nb = ${a}", {"a": {"x": 3}, "c": 3, "b": {"x": 3}}),
    ("a = x\nb = ${a} y\nc = ${b}", {"a": "x", "b": "x y", "c": "x y"}),
    ('x = 2.5\nt = true\ng = 9223372036854775808\ns = "q"\nl = [1, [2]]\n'
     "r = [${x}, ${t}, ${g}, ${s}, ${l}]",
     {"x": 2.5, "t": True, "g": 9223372036854775808, "s": "q", "l": [1, [2]],
      "r": [2.5, True, 9223372036854775808, "q", [1, [2]]]}),
    # the same target used many times is not a cycle
    ("a = x\nb = ${a}${a}\nc = [${b}, ${b}]", {"a": "x", "b": "xx", "c": ["xx", "xx"]}),
    ("a = 1\nb = ${a}\nc = ${a} ${b}", {"a": 1, "b": 1, "c": "1 1"}),
    # arrays are not indexed, and substitutions / concatenations are not looked into
    ("QT_TEST_A = [1, 2]\nb = ${QT_TEST_A.0}", unresolved("QT_TEST_A.0")),
    ("QT_TEST_A = ${b}\nb = {x = 1}\nc = ${QT_TEST_A.x}", unresolved("QT_TEST_A.x")),
    ("QT_TEST_A = {x = 1} {y = 2}\nb = ${QT_TEST_A.y}", unresolved("QT_TEST_A.y")),
    ("QT_TEST_A = {}\nb = ${QT_TEST_A.x}", unresolved("QT_TEST_A.x")),
    ("QT_TEST_K = 1\nb = ${qt_test_k}", unresolved("qt_test_k")),
    ("b = ${ QT_TEST_M1 . b }", unresolved("QT_TEST_M1.b")),
    ("b = ${QT_TEST_M1..b}", unresolved("QT_TEST_M1..b")),
    ("b = ${ ?QT_TEST_M1}", unresolved("?QT_TEST_M1")),
    ("b = ${}", unresolved("")),
    # the first failure in document order, depth first, is the one reported
    ("a = ${QT_TEST_M1}\nb = ${QT_TEST_M2}", unresolved("QT_TEST_M1")),
    ("a = [${QT_TEST_M2}, ${QT_TEST_M1}]", unresolved("QT_TEST_M2")),
    ("a = {x = ${b}}\nb = ${QT_TEST_M2}\nc = ${QT_TEST_M1}", unresolved("QT_TEST_M2")),
    ("a = ${?b}\nb = ${QT_TEST_M1}", unresolved("QT_TEST_M1")),
    ("a = [1] x ${QT_TEST_M1}", unresolved("QT_TEST_M1")),
    # an optional miss must not turn a later required reference into a miss too
    ("a = ${?QT_TEST_X}\nb = ${QT_TEST_X}", unresolved("QT_TEST_X")),
    ("a = [${?QT_TEST_X}]\nb = ${?QT_TEST_X}\nc = x ${QT_TEST_X}", unresolved("QT_TEST_X")),
    # NUL is a character like any other in a path
    ("a\x00 = ${x\x00y}", unresolved("x\x00y")),
    ("a = ${\x00}", unresolved("\x00")),
    # cycles: the first link met in document order is reported
    ("a = ${a}", circular("a")),
    ("a = ${?a}", circular("a")),
    ("a = ${b}\nb = ${a}", circular("b")),
    ("b = ${a}\na = ${b}", circular("a")),
    ("a = ${b}\nb = ${c}\nc = ${a}", circular("b")),
    ("a = {b = ${a}}", circular("a")),
    ("a = ${b}\nb = {c = ${b.c}}", circular("b.c")),
    ("a = {x = ${b.y}}\nb = {y = ${a.x}}", circular("b.y")),
    ("a = [1] ${a}", circular("a")),
    # a self-reference sees the value before it
    ("a = [1]\na = ${a} [2]", {"a": [1, 2]}),
    ("a = [1]\na = ${?a} [2]", {"a": [1, 2]}),
    ("a = {x = 1}\na = ${a} {y = 2}", {"a": {"x": 1, "y": 2}}),
    ("a = 1\na = ${a}", {"a": 1}),
    ("a = 1\na = ${a}${a}", {"a": "11"}),
    ("a = {}\na = ${a}", {"a": {}}),
    ("a = {b = {c = 1}}\na = ${a.b}", {"a": {"b": {"c": 1}, "c": 1}}),
    ("a = {x = {p = 1}}\na = ${a.x} {q = 2}", {"a": {"p": 1, "q": 2}}),
    ("x { a = [1], a = ${a} [2] }", {"x": {"a": [1, 2]}}),
    ("a = [1]\nb = ${a}\na = ${a} [2]", {"a": [1, 2], "b": [1, 2]}),
    ("a = {b = 1}\na = {c = ${a.b}}", {"a": {"b": 1, "c": 1}}),
    ("a = {x = 1}\na = ${b}\nb = {y = 2}", {"a": {"y": 2}, "b": {"y": 2}}),
    ("b = {y = 2}\na = ${b}\na = {x = 1}", {"b": {"y": 2}, "a": {"x": 1}}),
    # only a concrete earlier value is copied in; otherwise the reference stays
    ("a = ${a} [1]", circular("a")),
    ("a = ${b}\na = ${a} [1]", circular("a")),
    ("a = [${b}]\nb = [0]\na = ${a} [1]", circular("a")),
    ("a = {x = ${b}}\nb = 1\na = ${a} {y = 2}", circular("a")),
    ("a = [1]\na = ${a} [2]\na = ${a} [3]", circular("a")),
    ("x.a = [1]\nx.a = ${x.a} [2]", circular("x.a")),
    ("a = {x = 1}\na = ${a.y} [2]", unresolved("a.y")),
    # a definition that resolves to nothing leaves the key as it was before it:
    # the idiom for "a default, overridable from the environment"
    ("a = 1\na = ${?QT_TEST_M1}", {"a": 1}),
    ("a = 1\na = ${?QT_TEST_M1}\na = ${?QT_TEST_M2}", {"a": 1}),
    ("a = 1\na = ${?QT_TEST_M1} ${?QT_TEST_M2}", {"a": 1}),
    ("a.b = 1\na.b = ${?QT_TEST_M1}", {"a": {"b": 1}}),
    ("a { b = 1 }\na { b = ${?QT_TEST_M1} }", {"a": {"b": 1}}),
    ("db = {host = h}\ndb = ${?QT_TEST_M1}", {"db": {"host": "h"}}),
    ("n = null\na = 1\na = ${n}", {"n": None}),  # null is a value, not nothing
    ("e = ${?QT_TEST_M1}\na = 1\na = ${e}", {"a": 1}),
    ("a = 1\na = ${?QT_TEST_M1}\na = 2", {"a": 2}),
    ("a = 1\na = ${?QT_TEST_M1}\nb = ${a}", {"a": 1, "b": 1}),
    # self-references keep their rules
    ("a = [0]\na = ${?a} [1]", {"a": [0, 1]}),
    ("a = ${?a} [1]", circular("a")),
    # null is a value; an optional miss is nothing
    ("n = null\na = ${n}", {"n": None}),
    ("n = null\na = [${n}, ${?n}]", {"n": None, "a": [None, None]}),
    ("n = null\nm = ${n}\na = ${m}\nb = [${m}]", {"n": None, "b": [None]}),
    ("a = ${?QT_TEST_M1}", {}),
    ("a = [${?QT_TEST_M1}, 1]", {"a": [1]}),
    ("a = ${?QT_TEST_M1} ${?QT_TEST_M2}\nb = [${?QT_TEST_M1} ${?QT_TEST_M2}]", {"b": []}),
    ("a = \x0c\nb = [\u00a0]", {"b": []}),
    ("a = {b = ${?QT_TEST_M1}}", {"a": {}}),
    # a found target that resolves to nothing is nothing, even when required
    ("a = ${?QT_TEST_M1}\nb = ${a}\nc = [${a}]\nd = ${?a}", {"c": []}),
    # concatenation copies a shared target, never changes it
    ("a = {x = {p = 1}}\nb = ${a} {x = {q = 2}}\nc = ${a}",
     {"a": {"x": {"p": 1}}, "b": {"x": {"p": 1, "q": 2}}, "c": {"x": {"p": 1}}}),
    ("a = [1]\nb = ${a} [2]\nc = ${a}\nd = ${a} ${a}",
     {"a": [1], "b": [1, 2], "c": [1], "d": [1, 1]}),
    ("a = {x = 1}\nb = {y = ${a}} {y = {z = 2}}\nc = ${a}",
     {"a": {"x": 1}, "b": {"y": {"x": 1, "z": 2}}, "c": {"x": 1}}),
])
def test_resolution(text, expected):
    check(text, expected)


@pytest.mark.parametrize("env, text, expected", [
    ({"QT_TEST_V": "42"}, "a = ${QT_TEST_V}", {"a": "42"}),
    ({"QT_TEST_V": " x "}, "a = ${QT_TEST_V}", {"a": " x "}),
    ({"QT_TEST_V": " x "}, "a = ${QT_TEST_V} y", {"a": "x  y"}),
    ({"QT_TEST_V": "é☃\nz"}, "a = [${?QT_TEST_V}]", {"a": ["é☃\nz"]}),
    ({"QT_TEST_V": ""}, "a = ${QT_TEST_V}", {"a": ""}),
    ({"QT_TEST_V.x": "dotted"}, "a = ${QT_TEST_V.x}", {"a": "dotted"}),
    ({"QT_TEST_A.y": "e"}, "QT_TEST_A = {x = 1}\nb = ${QT_TEST_A.y}",
     {"QT_TEST_A": {"x": 1}, "b": "e"}),
    ({"QT_TEST_A.0": "z"}, "QT_TEST_A = [1, 2]\nb = ${QT_TEST_A.0}",
     {"QT_TEST_A": [1, 2], "b": "z"}),
    # a key in the document always wins over the environment, even a null one
    ({"QT_TEST_V": "env"}, "QT_TEST_V = 1\nb = ${QT_TEST_V}", {"QT_TEST_V": 1, "b": 1}),
    ({"QT_TEST_V": "env"}, "QT_TEST_V = null\nb = [${QT_TEST_V}]\nc = ${QT_TEST_V}",
     {"QT_TEST_V": None, "b": [None]}),
    # content that is not UTF-8 counts as unset
    ({"QT_TEST_V": "\udcff"}, "a = ${?QT_TEST_V}\nb = 1", {"b": 1}),
    ({"QT_TEST_V": "\udcff"}, "a = ${QT_TEST_V}", unresolved("QT_TEST_V")),
    # a name holding '=' would read past the name in the environment block
    ({"QT_TEST_EQ": "1=secret"}, "a = ${?QT_TEST_EQ=1}\nb = ${QT_TEST_EQ}", {"b": "1=secret"}),
    ({}, "a = ${QT_TEST_V}", unresolved("QT_TEST_V")),
    # an optional override that is set replaces the earlier value, whatever it was
    ({"QT_TEST_X": "x"}, "a = 1\na = ${?QT_TEST_M1}\na = ${?QT_TEST_X}", {"a": "x"}),
    ({"QT_TEST_X": "x"}, "a = 1\na = ${?QT_TEST_X}\na = ${?QT_TEST_M1}", {"a": "x"}),
    ({"QT_TEST_X": "x"}, "db = {host = h}\ndb = ${?QT_TEST_X}", {"db": "x"}),
])
def test_environment(monkeypatch, env, text, expected):
    for name, value in env.items():
        monkeypatch.setenv(name, value)
    check(text, expected)



def test_nothing_carries_over_between_calls(monkeypatch):
    monkeypatch.setenv("QT_TEST_V", "one")
    assert parse("a = ${QT_TEST_V}") == {"a": "one"}
    monkeypatch.setenv("QT_TEST_V", "two")
    assert parse("a = ${QT_TEST_V}") == {"a": "two"}
    assert parse("a = 1\nb = ${a}")["b"] == 1
    assert parse("a = 2\nb = ${a}")["b"] == 2

def test_optional_override_over_included_value(tmp_path):
    (tmp_path / "base.conf").write_text("port = 80\ndb { host = h }")
    text = 'include "base.conf"\nport = ${?QT_TEST_M1}\ndb = ${?QT_TEST_M2}'
    assert parse(text, str(tmp_path)) == {"port": 80, "db": {"host": "h"}}
    (tmp_path / "over.conf").write_text("port = ${?QT_TEST_M1}")
    assert parse('port = 80\ninclude "over.conf"', str(tmp_path)) == {"port": 80}


@pytest.mark.parametrize("text, expected", [
    ("a = 1\nc = ${a} x", "1 x"),
    ("n = 5\nm = 6\nc = ${n}${m}", "56"),
    ("b = true\nn = 5\nf = 2.0\nc = ${b} ${n} ${f}", "True 5 2.0"),
    ("b = false\nc = ${b}!", "False!"),
    ("n = 5\nc = ${n} ${?QT_TEST_M1}", "5"),
    ('s = "  x  "\nc = ${s} y', "x   y"),
    ('s = "\u00a0x\u3000"\nc = ${s}${s}', "x\u3000\u00a0x"),
    ("c = a ${?QT_TEST_M1} b", "a  b"),
    ("n = null\nc = ${n} tail", "tail"),
    ("n = null\nc = ${n} ${n}", ""),
    ("n = null\nc = ${n} ${?QT_TEST_M1}", ""),
    ('c = "" ${?QT_TEST_M1}', ""),
    ("n = +0099999999999999999999\nc = ${n}!", "+0099999999999999999999!"),
    ("n = -9223372036854775808\nc = ${n}x", "-9223372036854775808x"),
    ("n = 007\nc = ${n}x", "7x"),
    ("c = [1] x", OBJ_ARR),
    ("c = [1] {x = 1}", OBJ_ARR),
    ('c = {x = 1} "s"', OBJ_ARR),
    ('c = [1] ""', OBJ_ARR),
    ("n = 5\nc = ${n} [1]", OBJ_ARR),
    ("n = null\nc = ${n} [1]", OBJ_ARR),
    # the float range applies to strings only
    ("f = 1e400\nc = ${f} ${?QT_TEST_M1}", BAD_FLOAT),
    ("f = 1e400\nc = ${f}", float("inf")),
    ("f = 1e400\nc = [${f}] [${f}]", [float("inf")] * 2),
    ("c = [1, 2] [3]", [1, 2, 3]),
    ("c = [] []", []),
    ("c = [[1] [2]]", [[1, 2]]),
    ("c = {a = 1} {b = 2}", {"a": 1, "b": 2}),
    ("c = {a = {x = 1}} {a = {y = 2}}", {"a": {"x": 1, "y": 2}}),
    ("c = {a = 1, b = 2} {d = 3, a = 4}", {"a": 4, "b": 2, "d": 3}),
    ("c = {k = {z = 1}} {k = 1}", {"k": 1}),
    ("c = {k = 1} {k = {z = 1}}", {"k": {"z": 1}}),
    ("x = [1]\ny = [2]\nc = ${x}${y}", [1, 2]),
    ("x = {p = 1}\nc = ${x} {q = 2}", {"p": 1, "q": 2}),
    ("x = [1]\nc = ${x} ${?QT_TEST_M1} [2]", [1, 2]),
    ("c = [${?QT_TEST_M1}] [null]", [None]),
    ("n = null\nc = {k = ${n}} {j = 1}", {"j": 1}),
    ("x = 5\nc = {k = ${x}} {k = ${x}${x}}", {"k": "55"}),
])
def test_concatenation(text, expected):
    if isinstance(expected, Fails):
        check(text, expected)
    else:
        assert repr(parse(text)["c"]) == repr(expected)


@pytest.mark.parametrize("literal, rendered", [
    ("1.0", "1.0"), ("-0.0", "-0.0"), ("0.0", "0.0"), ("2.5", "2.5"), ("0.1", "0.1"),
    ("0.30000000000000004", "0.30000000000000004"), ("1e3", "1000.0"),
    ("0.0001", "0.0001"), ("1.1e-4", "0.00011"), ("-2.5e-3", "-0.0025"),
    ("123456.789", "123456.789"), ("1e15", "1000000000000000.0"),
    ("9999999999999998.0", "9999999999999998.0"),
    ("9007199254740993.0", "9007199254740992.0"),
    ("1e-400", "0.0"), ("-1e-400", "-0.0"),
    ("0.00009", None), ("5e-324", None), ("1e16", None), ("-1e16", None),
    ("100000000000000000000.0", None), ("1e400", None), ("-1e400", None),
])
def test_float_rendering(literal, rendered):
    text = "f = " + literal + '\nc = ${f}"|"'
    if rendered is None:
        check(text, BAD_FLOAT)
    else:
        check(text, {"f": float(literal), "c": rendered + "|"})


@pytest.mark.parametrize("seed, result", [("null", ""), ('""', ""), ("[]", []), ("{}", {})])
def test_doubling_references_stay_cheap(seed, result):
    lines = ["a0 = " + seed]
    lines += ["a%d = ${a%d}${a%d}" % (k, k - 1, k - 1) for k in range(1, 61)]
    out = parse("\n".join(lines))
    assert list(out) == ["a%d" % k for k in range(61)]
    assert all(repr(out["a%d" % k]) == repr(result) for k in range(1, 61))


@pytest.mark.parametrize("reverse", [False, True])
def test_long_chain(reverse):
    lines = ["a0 = [1]"] + ["a%d = ${a%d}" % (k, k - 1) for k in range(1, 1001)]
    if reverse:
        lines.reverse()
    out = parse("\n".join(lines))
    keys = ["a%d" % k for k in range(1001)]
    assert list(out.items()) == [(k, [1]) for k in (keys[::-1] if reverse else keys)]


def test_references_give_independent_objects():
    out = parse("a = {x = [1]}\nb = ${a}\nc = ${a}\nd = [${a}, ${a}]")
    assert out["b"] is not out["c"] and out["d"][0] is not out["d"][1]
    out["b"]["x"].append(2)
    out["d"][0]["y"] = 0
    assert out["c"] == out["a"] == out["d"][1] == {"x": [1]}
