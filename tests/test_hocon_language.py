"""HOCON syntax, full dialect; expectations checked against the reference implementation
of HOCON."""

import math

import pytest

from quince_tarragon import (
    ConfigError,
    ConfigFileNotFoundError,
    ConfigResolveError,
    ConfigSyntaxError,
    parse_file,
)

from conftest import assert_hocon, assert_tree, hocon_error

SYN, RES = ConfigSyntaxError, ConfigResolveError
INF = math.inf

# str.isspace() is no guide: it rejects the BOM and accepts U+0085, the reverse of what is wanted
WHITESPACE = ["\u00a0", "\u2007", "\u202f", "\u3000", "\u2003", "\ufeff", "\u2028",
              "\u2029", "\t", "\x0b", "\x0c", "\r", "\x1c", "\x1d", "\x1e", "\x1f"]


@pytest.mark.parametrize("w", WHITESPACE, ids=lambda w: f"U+{ord(w):04X}")
def test_whitespace_separates_tokens(w):
    # kept verbatim between concatenated values, dropped everywhere else
    text = f"{w}a{w}={w}[{w}true{w},{w}1{w}x{w}]{w}"
    assert_hocon(text, {"a": [True, f"1{w}x"]})


@pytest.mark.parametrize("text, expected", [
    ("\ufeffa = 1", {"a": 1}),
    ("a\u00a0b = 1", {"a\u00a0b": 1}),
    ("a\x85 = 1, b\u200b = 2", {"a\x85": 1, "b\u200b": 2}),  # NEL, format characters: text
    ("a = [1\r2]", {"a": ["1\r2"]}),  # only \n ends a line
    ("a = [1\u20282]", {"a": ["1\u20282"]}),
    ("a = 1\r\nb = 2\r\n", {"a": 1, "b": 2}),
])
def test_whitespace_edges(text, expected):
    assert_hocon(text, expected)


@pytest.mark.parametrize("text, expected", [
    ("a = x#y", {"a": "x"}),
    ("a = x//y", {"a": "x"}),
    ("a = x/y, b = x /y, c = /", {"a": "x/y", "b": "x /y", "c": "/"}),
    ('a = "x#y//z"', {"a": "x#y//z"}),
    ('a = """x#y"""#z', {"a": "x#y"}),
    ("a # c\n= 1", {"a": 1}),
    ("a = # c\n 1", {"a": 1}),
    ("a = [1 # c\n, 2] // d", {"a": [1, 2]}),
    ("a { # c\n b = 1 # d\n } # e", {"a": {"b": 1}}),
    ("a = ${b}#c\nb = 1", {"a": 1, "b": 1}),
    ("a = 1 #c\rb = 2", {"a": 1}),
    ("// only\n#", {}),
])
def test_comments(text, expected):
    assert_hocon(text, expected)


@pytest.mark.parametrize("text, expected", [
    ("", {}),
    ("{}", {}),
    ("{\na = 1\n}", {"a": 1}),
    ("\n{ a = 1 }\n# x\n", {"a": 1}),
    ("a\n{ b = 1 }", {"a": {"b": 1}}),
    ("a =\n{ b = 1 }", {"a": {"b": 1}}),
    ("a :\n[1]", {"a": [1]}),
    ("a\n= 1", {"a": 1}),
    ("a =\n\n  1", {"a": 1}),
    ('a =\n"x"', {"a": "x"}),
    ("a = // c\n # d\n x y", {"a": "x y"}),
    ("a.b\n{c=1}", {"a": {"b": {"c": 1}}}),
    ("a b\n{c = 1}", {"a b": {"c": 1}}),
    ("a {\n}\nb = [\n]", {"a": {}, "b": []}),
])
def test_document_shape_and_line_breaks(text, expected):
    assert_hocon(text, expected)


@pytest.mark.parametrize("text, cls, line, column", [
    ("[1]", ConfigError, 1, None),
    ("{a=1} {b=2}", SYN, 1, 7),
    ("{ a = 1 } }", SYN, 1, 11),
    ("{ a = 1 },", SYN, 1, 10),
    ("{a=1}\n]", SYN, 2, 1),
    ("}", SYN, 1, 1),
    ("a = 1 }", SYN, 1, 7),
    ("a = x\n}", SYN, 2, 1),
    ("{ a = 1", SYN, 1, None),
    ("a = [1", SYN, 1, None),
    ("a = [1}", SYN, 1, 7),
    ("a = {b = 1]", SYN, 1, 11),
    ("a b", SYN, 1, None),
    ("a = ", SYN, 1, None),
    ("a =\n", SYN, 2, None),
    ("a = ,", SYN, 1, 5),
    ("a = 1 b = 2", SYN, 1, 9),
    ("x {a=1} y {b=2}", SYN, 1, 9),  # fields need a comma or a newline
    ("a = [1]\n[2]", SYN, 2, 1),
])
def test_document_errors(text, cls, line, column):
    hocon_error(text, cls, line, column)


@pytest.mark.parametrize("text, line, column", [
    ("a = b = c", 1, 7),
    ("a = x!", 1, 6),
    ("a = `", 1, 5),
    *[(f"a = x{c}y", 1, 6) for c in "`^?@*&\\:]"],
    ("a = $x", 1, None),
    ("a = $ {x}", 1, None),
    ("a = x+y", 1, None),
    ("a = ${x", 1, None),
    ("a = ${?x ?}", 1, 10),
    ("a! = 1", 1, 2),
    ("a@b = 1", 1, 2),
    ("`a` = 1", 1, 1),
    ("a + = 1", 1, None),
    ('a = """\n\n"""\nb = x!', 4, 6),
])
def test_reserved_characters_outside_quotes(text, line, column):
    hocon_error(text, SYN, line, column)


@pytest.mark.parametrize("text, expected", [
    ("a = [1,2,]", {"a": [1, 2]}),
    ("a = [1 , 2 ,]", {"a": [1, 2]}),
    ("a = [\n1\n2\n]", {"a": [1, 2]}),
    ("a = [1\n,2,\n3]", {"a": [1, 2, 3]}),
    ("a = [1 2]", {"a": ["1 2"]}),
    ("x { a = 1, }", {"x": {"a": 1}}),
    ("x { a = 1\n b = 2 }", {"x": {"a": 1, "b": 2}}),
    ("{a=1,}", {"a": 1}),
    ("a = [1]\n,b = 2", {"a": [1], "b": 2}),
    ("x {}\n,\n", {"x": {}}),
])
def test_commas(text, expected):
    assert_hocon(text, expected)


@pytest.mark.parametrize("text, line, column", [
    ("a = [1,,2]", 1, 8),
    ("a = [,1]", 1, 6),
    ("a = [1,2,,]", 1, 10),
    ("a = [,]", 1, 6),
    ("a = [1,\n,2]", 2, 1),
    ("x { a = 1,, }", 1, 11),
    ("x { , a = 1 }", 1, 5),
    ("x { a = 1,, b = 2 }", 1, 11),
    ("a = 1,,", 1, 7),
    (",a = 1", 1, 1),
    ("{,}", 1, 2),
    ("{a=1,,}", 1, 6),
    ("x { a = 1 b = 2 }", 1, 13),
])
def test_comma_errors(text, line, column):
    hocon_error(text, SYN, line, column)


@pytest.mark.parametrize("text, expected", [
    ("a b c : 42", {"a b c": 42}),
    (" a  b \t c = 1", {"a  b \t c": 1}),
    ("a b.c d = 1", {"a b": {"c d": 1}}),
    ("a . b = 1", {"a ": {" b": 1}}),
    ("a.b .c = 1", {"a": {"b ": {"c": 1}}}),
    ('"java.io.Serializable" = x', {"java.io.Serializable": "x"}),
    ('a."b.c" = 1', {"a": {"b.c": 1}}),
    ('"" = 1', {"": 1}),
    ('a."".b = 1', {"a": {"": {"b": 1}}}),
    ('a."" = 1', {"a": {"": 1}}),
    ('"a b"."c" = 1', {"a b": {"c": 1}}),
    ('"a\\nb" = 1', {"a\nb": 1}),
    ('a"b" = 1', {"ab": 1}),
    ('"a" "b" = 1', {"a b": 1}),
    ('foo"10.0" = x', {"foo10.0": "x"}),
    ('"""a.b""".c = 1', {"a.b": {"c": 1}}),
    ("3.14 : 42", {"3": {"14": 42}}),
    ("1.2.3 = x", {"1": {"2": {"3": "x"}}}),
    ("1e5 = x", {"1e5": "x"}),
    ("-1.5 = x", {"-1": {"5": "x"}}),
    ("007 = 1", {"007": 1}),
    ("10.0foo = x", {"10": {"0foo": "x"}}),
    ("foo10.0 = x", {"foo10": {"0": "x"}}),
    ("true : 1, null = 2", {"true": 1, "null": 2}),
    ("false.true = 1", {"false": {"true": 1}}),
    ("a-b_c/d = 1", {"a-b_c/d": 1}),
    ("é.\U0001F600 = 1", {"é": {"\U0001F600": 1}}),
    ("a { b.c = 1 }\na.b.d = 2", {"a": {"b": {"c": 1, "d": 2}}}),
    ("a = 1\na.b = 2\nc.d = 2\nc = 1", {"a": {"b": 2}, "c": 1}),
    ("a { x = 1 }\na = null\na { y = 2 }", {"a": {"y": 2}}),
])
def test_keys(text, expected):
    assert_hocon(text, expected)


@pytest.mark.parametrize("text, line", [
    ("a..b = 1", 1),
    (".a = 1", 1),
    ("a. = 1", 1),
    ("1. = 1", 1),
    ("x {\n  a..b = 1\n}", 2),
    ("${x} = 1", 1),
    ("a${x} = 1", 1),
    ("[a] = 1", 1),
])
def test_key_errors(text, line):
    hocon_error(text, SYN, line)


@pytest.mark.parametrize("value, expected", [
    ("true", True),
    ("false", False),
    ("null", None),
    ("true // c", True),
    ("null#c", None),
    ("null bar true", "null bar true"),
    ("true false", "true false"),
    ("TRUE", "TRUE"),
    ("Null", "Null"),
    ("truefoo", "truefoo"),
    ("footrue", "footrue"),
    ("true1", "true1"),
    ("true.x", "true.x"),
    ('true"x"', "truex"),
    ('"true"', "true"),
    ("yes", "yes"),
])
def test_keywords_only_as_whole_words(value, expected):
    assert_hocon(f"x = {value}", {"x": expected})
    assert_hocon(f"x = [{value}\n]", {"x": [expected]})


@pytest.mark.parametrize("text, expected", [
    (r'"\"\\\/\b\f\n\r\t"', '"\\/\b\f\n\r\t'),
    (r'"\u0041\u00e9\u20AC"', "Aé€"),
    (r'"\ud83d\ude00"', "\U0001F600"),
    (r'"\u0000\u005C\u0022"', '\x00\\"'),
    ('"a\x7fb"', "a\x7fb"),
    ('"a\u2028b\x85"', "a\u2028b\x85"),
    ('"é \U0001F600"', "é \U0001F600"),
])
def test_quoted_strings(text, expected):
    assert_hocon(f"x = {text}", {"x": expected})


@pytest.mark.parametrize("text, line", [
    *[(f'x = "\\{c}"', 1) for c in "xa'0U "],
    (r'x = "\u004"', 1),
    (r'x = "\u00GG"', 1),
    ('x = "a\\', 1),
    ('x = "abc', 1),
    *[(f'x = "a{c}b"', 1) for c in "\n\t\r\x00\x01\x0b\x0c\x1f"],
    ('a = 1\nx = [\n"a\tb"]', 3),
])
def test_quoted_string_errors(text, line):
    hocon_error(text, SYN, line)


@pytest.mark.parametrize("text, expected", [
    ('"""foo"""', "foo"),
    ('"""foo""""', 'foo"'),
    ('"""x"""""""', 'x""""'),
    ('""""foo"""', '"foo'),
    ('""""""', ""),
    ('""""""""', '""'),
    ('"""a\nb\\n\t"c"\x01"""', 'a\nb\\n\t"c"\x01'),
    ('"""\\u0041"""', "\\u0041"),
    ('"""x\r\ny"""', "x\r\ny"),
    ('"""${x} # y // z"""', "${x} # y // z"),
    ('""" x """ y', " x  y"),
    ('x """ y """ z', "x  y  z"),
    ('"""x""" """y"""', "x y"),
])
def test_triple_quoted_strings(text, expected):
    assert_hocon(f"a = {text}", {"a": expected})


@pytest.mark.parametrize("text", ['a = """x', 'a = """x""', 'a = """x"" "'])
def test_unclosed_triple_quotes(text):
    hocon_error(text, SYN, 1)


@pytest.mark.parametrize("text, expected", [
    ('b = foo " x "', {"b": "foo  x "}),
    ("b =   foo   bar   ", {"b": "foo   bar"}),
    ("b = a b  c\t\td", {"b": "a b  c\t\td"}),
    ('b = " " foo', {"b": "  foo"}),
    ('b = foo " "', {"b": "foo  "}),
    ('b = "" foo ""', {"b": " foo "}),
    ('b = "a""b"', {"b": "ab"}),
    ('b = a"b"c', {"b": "abc"}),
    ("b = 1E5 x", {"b": "1E5 x"}),
    ("b = 1.50 -0 007 x 1.0", {"b": "1.50 -0 007 x 1.0"}),
    ("b = true null 1", {"b": "true null 1"}),
    ("b = [1 2, 3 4]", {"b": ["1 2", "3 4"]}),
    ("b = x${a}y ${a} z\na = 1", {"b": "x1y 1 z", "a": 1}),
    ("b = ${a} ${a}\na = 1.50", {"b": "1.50 1.50", "a": 1.5}),
    ("b = ${a}${a}\na = 1e5", {"b": "1e51e5", "a": 1e5}),
    ("b = ${a} x\na = 007", {"b": "007 x", "a": 7}),
    ("b = ${a} x\na = 1e400", {"b": "1e400 x", "a": INF}),
    ("b = ${a}.5\na = 10", {"b": "10.5", "a": 10}),
    ("b = ${a}x ${c}\na = true, c = null", {"b": "truex null", "a": True, "c": None}),
])
def test_string_concatenation(text, expected):
    assert_hocon(text, expected)


@pytest.mark.parametrize("text, expected", [
    ("a = [1] [2]", [1, 2]),
    ("a = [1][2]   [3]", [1, 2, 3]),
    ("a = [] []", []),
    ("a = [1,2] [3] \n", [1, 2, 3]),
    ("a = [[1] [2]]", [[1, 2]]),
    ("a = [[1]\n[2]]", [[1], [2]]),
    ("a = [{x=1} {y=2}]", [{"x": 1, "y": 2}]),
    ("a = [{x=1}\n{y=2}]", [{"x": 1}, {"y": 2}]),
    ("a = {x=1} {y=2}", {"x": 1, "y": 2}),
    ("a = {x=1}{y=2} {z=3}", {"x": 1, "y": 2, "z": 3}),
    ("a = {} {}", {}),
    ("a = {b={x=1}} {b={y=2}}", {"b": {"x": 1, "y": 2}}),
    ("a = {x={y=1}} {x=2}", {"x": 2}),
    ("a = {x=2} {x={y=1}}", {"x": {"y": 1}}),
])
def test_array_and_object_concatenation(text, expected):
    assert_hocon(text, {"a": expected})


@pytest.mark.parametrize("text", [
    "a = [1] {b=2}", "a = {b=2} [1]", "a = x [1]", "a = x {b=1}", "a = 1 [2]",
    "a = true [2]", "a = null {b=1}", 'a = "x" {b=1}', 'a = [1] " "', 'a = [1] " " [2]',
    "a = [1] true", "a = [1] x", "a = {b=1} x", "a = [1] x [2]", "a = [[1] x]",
    "a = ${b} x\nb = [1]",
    'a = ${b} " " ${c}\nb = [1], c = [2]',
    "a = ${b} ${c}\nb = {x=1}, c = [2]",
    "a = ${b}${c}\nb = x, c = [2]",
])
def test_mixed_concatenation_errors(text):
    hocon_error(text, RES)


@pytest.mark.parametrize("literal, expected", [
    ("0", 0), ("-0", 0), ("007", 7), ("-007", -7), ("00", 0),
    ("9223372036854775807", 9223372036854775807),
    ("9223372036854775808", 9223372036854775808),
    ("-9223372036854775809", -9223372036854775809),
    ("123456789012345678901234567890", 123456789012345678901234567890),
    ("1.0", 1.0), ("-1.5", -1.5), ("0.1", 0.1), ("-0.0", -0.0), ("1.", 1.0), ("0.", 0.0),
    ("01.5", 1.5), ("-.5", -0.5), ("1e5", 1e5), ("1E5", 1e5), ("1e+5", 1e5), ("1e-5", 1e-5),
    ("1e05", 1e5), ("1.e5", 1e5), ("1.5E+3", 1500.0), ("0e0", 0.0),
    ("1e400", INF), ("-1e400", -INF), ("1e-400", 0.0), ("4.9e-324", 5e-324),
    ("1.7976931348623157e308", 1.7976931348623157e308),
    ("12345678901234567890.5", 12345678901234567890.5),
    (".5", ".5"), ("1e", "1e"), ("1E", "1E"), ("1ex", "1ex"), ("1e5e5", "1e5e5"),
    ("0x1F", "0x1F"), ("1_000", "1_000"), ("1.5.3", "1.5.3"), ("1.2.", "1.2."),
    ("1-2", "1-2"), ("1-", "1-"), ("--1", "--1"), ("-", "-"), ("-x", "-x"), ("- 1", "- 1"),
    ("5x", "5x"), ("1.5x", "1.5x"), ("10abc", "10abc"),
    ("NaN", "NaN"), ("Infinity", "Infinity"), ("-Infinity", "-Infinity"),
])
def test_numbers(literal, expected):
    assert_hocon(f"a = {literal}", {"a": expected})
    assert_hocon(f"a = [{literal}]", {"a": [expected]})


@pytest.mark.parametrize("text", ["a = +1", "a = 1e+"])
def test_number_errors(text):
    hocon_error(text, SYN, 1)


@pytest.mark.parametrize("text, expected", [
    ("foo include : 42", {"foo include": 42}),
    ("a = include", {"a": "include"}),
    ('a = [ include "x.conf" ]', {"a": ["include x.conf"]}),
    ("include.a = 1", {"include": {"a": 1}}),
    ("x.include = 1, includex = 2", {"x": {"include": 1}, "includex": 2}),
    ('"include" "x" = 1', {"include x": 1}),
    ('include "nope.conf"', {}),
    ('include\n"nope.conf", a = 1', {"a": 1}),
    ('include "nope.conf"\n,a = 1', {"a": 1}),
    ('a { include "nope.conf" }', {"a": {}}),
    ('include file( "nope.conf" )', {}),
])
def test_include_keyword(text, expected, tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    assert_hocon(text, expected)


@pytest.mark.parametrize("text", [
    "include = 1", "include : 1", "include {a=1}", "include", "include x", "include 1",
    "include [1]", "include ${x}", 'include "a" "b"', 'include "a""b"', 'include "x" a = 1',
    "include include = 1", "include file(x.conf)", 'include file ("x.conf")',
    'include foo("x.conf")', 'include FILE("x.conf")', 'include required(required("x.conf"))',
    'include required("x.conf", "y.conf")', 'include file("x.conf"',
])
def test_include_syntax_errors(text, tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    hocon_error(text, SYN, 1)


INCLUDED = {
    "foo.conf": "x : 10, y : ${x}",
    "fb.conf": "v = ${top}",
    "app.conf": "path = ${path} [b]",
    "self.conf": "a += 1",
    "sub/inner.conf": 'include "leaf.conf"\nz = 1',
    "sub/leaf.conf": "leaf = true",
    "leaf.conf": "leaf = false",
    "arr.conf": "[1, 2]",
    "bad.conf": "a = [",
    "ring.conf": 'include "ring.conf"',
}


@pytest.fixture
def conf_dir(tmp_path):
    for name, text in INCLUDED.items():
        (tmp_path / name).parent.mkdir(parents=True, exist_ok=True)
        (tmp_path / name).write_text(text, encoding="utf-8")
    return tmp_path


def parse_main(conf_dir, text):
    (conf_dir / "main.conf").write_text(text, encoding="utf-8")
    return parse_file(str(conf_dir / "main.conf"))


@pytest.mark.parametrize("text, expected", [
    ('a { include "foo.conf" }', {"a": {"x": 10, "y": 10}}),
    ('a { b { include "foo.conf" } }', {"a": {"b": {"x": 10, "y": 10}}}),
    ('a { include "foo.conf" }\na { x : 42 }', {"a": {"x": 42, "y": 42}}),
    ('include "foo.conf"\nx = 5', {"x": 5, "y": 5}),
    ('x = 5\ninclude "foo.conf"', {"x": 10, "y": 10}),
    ('x = ${a.y}\na { include "foo.conf" }', {"x": 10, "a": {"x": 10, "y": 10}}),
    ('a { include "fb.conf" }\ntop = 7', {"a": {"v": 7}, "top": 7}),
    ('a { include "fb.conf" }\na.top = 3\ntop = 7', {"a": {"v": 3, "top": 3}, "top": 7}),
    ('path = [a]\ninclude "app.conf"', {"path": ["a", "b"]}),
    ('include "self.conf"\ninclude "self.conf"', {"a": [1, 1]}),
    ('a = [0]\ninclude "self.conf"', {"a": [0, 1]}),
    ('include "sub/inner.conf"', {"leaf": True, "z": 1}),
    ('include required("foo.conf")', {"x": 10, "y": 10}),
    ('include "nope.conf"\na = 1', {"a": 1}),
])
def test_include_files(conf_dir, text, expected):
    assert_tree(parse_main(conf_dir, text), expected)


@pytest.mark.parametrize("text, cls", [
    ('include required("nope.conf")', ConfigFileNotFoundError),
    ('a {\n  include required("nope.conf")\n}', ConfigFileNotFoundError),
    ('include "arr.conf"', ConfigError),
    ('include "bad.conf"', ConfigSyntaxError),
    ('include "ring.conf"', ConfigError),
])
def test_include_file_errors(conf_dir, text, cls):
    with pytest.raises(cls):
        parse_main(conf_dir, text)
