"""HOCON syntax, full dialect; expectations checked against the reference implementation
of HOCON."""

import math

import pytest

from quince_tarragon import ConfigResolveError, ConfigSyntaxError

from conftest import assert_hocon, hocon_error

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
    # whitespace and line ends
    ("\ufeffa = 1", {"a": 1}),
    ("a\u00a0b = 1", {"a\u00a0b": 1}),
    ("a\x85 = 1, b\u200b = 2", {"a\x85": 1, "b\u200b": 2}),  # NEL, format characters: text
    ("a = [1\r2]", {"a": ["1\r2"]}),  # only \n ends a line
    ("a = [1\u20282]", {"a": ["1\u20282"]}),
    ("a = 1\r\nb = 2\r\n", {"a": 1, "b": 2}),
    # comments
    ("a = x#y", {"a": "x"}),
    ("a = x//y", {"a": "x"}),
    ("a = x/y, b = x /y, c = /", {"a": "x/y", "b": "x /y", "c": "/"}),
    ('a = "x#y//z"', {"a": "x#y//z"}),
    ('a = """x#y"""#z', {"a": "x#y"}),
    ("a # c\n= 1", {"a": 1}),
    ("a = [1 # c\n, 2] // d", {"a": [1, 2]}),
    ("a { # c\n b = 1 # d\n } # e", {"a": {"b": 1}}),
    ("a = ${b}#c\nb = 1", {"a": 1, "b": 1}),
    ("a = 1 #c\rb = 2", {"a": 1}),
    ("// only\n#", {}),
    # the root and line breaks
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
    # commas: optional where a newline separates, one allowed after the last element
    ("a = [1,2,]", {"a": [1, 2]}),
    ("a = [\n1\n2\n]", {"a": [1, 2]}),
    ("a = [1\n,2,\n3]", {"a": [1, 2, 3]}),
    ("a = [1 2]", {"a": ["1 2"]}),
    ("x { a = 1, }", {"x": {"a": 1}}),
    ("x { a = 1\n b = 2 }", {"x": {"a": 1, "b": 2}}),
    ("{a=1,}", {"a": 1}),
    ("a = [1]\n,b = 2", {"a": [1], "b": 2}),
    ("x {}\n,\n", {"x": {}}),
])
def test_layout(text, expected):
    assert_hocon(text, expected)


@pytest.mark.parametrize("text, line, column", [
    # the document's shape
    ("[1]", 1, 1),
    ("{a=1} {b=2}", 1, 7),
    ("{ a = 1 } }", 1, 11),
    ("{ a = 1 },", 1, 10),
    ("{a=1}\n]", 2, 1),
    ("}", 1, 1),
    ("a = 1 }", 1, 7),
    ("a = x\n}", 2, 1),
    ("{ a = 1", 1, None),
    ("a = [1", 1, None),
    ("a = [1}", 1, 7),
    ("a = {b = 1]", 1, 11),
    ("a b", 1, None),
    ("a = ", 1, None),
    ("a =\n", 2, None),
    ("a = ,", 1, 5),
    ("a = 1 b = 2", 1, 9),
    ("x {a=1} y {b=2}", 1, 9),  # fields need a comma or a newline
    ("a = [1]\n[2]", 2, 1),
    # reserved characters outside quotes
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
    # commas: at most one between two elements, none before the first
    ("a = [1,,2]", 1, 8),
    ("a = [,1]", 1, 6),
    ("a = [1,\n,2]", 2, 1),
    ("x { a = 1,, }", 1, 11),
    ("x { , a = 1 }", 1, 5),
    ("a = 1,,", 1, 7),
    (",a = 1", 1, 1),
    ("{,}", 1, 2),
    ("{a=1,,}", 1, 6),
    ("x { a = 1 b = 2 }", 1, 13),
    # keys
    ("a..b = 1", 1, None),
    (".a = 1", 1, None),
    ("a. = 1", 1, None),
    ("1. = 1", 1, None),
    ("x {\n  a..b = 1\n}", 2, None),
    ("${x} = 1", 1, None),
    ("a${x} = 1", 1, None),
    ("[a] = 1", 1, None),
    # quoted strings: JSON's escapes only, no control characters, closed
    *[(f'x = "\\{c}"', 1, None) for c in "xa'0U "],
    (r'x = "\u004"', 1, None),
    (r'x = "\u00GG"', 1, None),
    ('x = "a\\', 1, None),
    ('x = "abc', 1, None),
    *[(f'x = "a{c}b"', 1, None) for c in "\n\t\r\x00\x01\x0b\x0c\x1f"],
    ('a = 1\nx = [\n"a\tb"]', 3, None),
    ('a = """x', 1, None),
    ('a = """x""', 1, None),
    ('a = """x"" "', 1, None),
    # numbers
    ("a = +1", 1, None),
    ("a = 1e+", 1, None),
])
def test_syntax_errors(text, line, column):
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
    ("1e5 = x", {"1e5": "x"}),
    ("-1.5 = x", {"-1": {"5": "x"}}),
    ("007 = 1", {"007": 1}),
    ("10.0foo = x", {"10": {"0foo": "x"}}),
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


@pytest.mark.parametrize("value, expected", [
    # keywords count only as whole words
    ("true", True),
    ("false", False),
    ("null", None),
    ("true // c", True),
    ("null#c", None),
    ("null bar true", "null bar true"),
    ("true false", "true false"),
    ("TRUE", "TRUE"),
    ("truefoo", "truefoo"),
    ("true1", "true1"),
    ("true.x", "true.x"),
    ('true"x"', "truex"),
    ('"true"', "true"),
    ("yes", "yes"),
    # numbers; a literal that is not one is a string
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
def test_scalars(value, expected):
    assert_hocon(f"x = {value}", {"x": expected})
    assert_hocon(f"x = [{value}\n]", {"x": [expected]})


@pytest.mark.parametrize("text, expected", [
    # JSON's escapes in quoted strings
    (r'"\"\\\/\b\f\n\r\t"', '"\\/\b\f\n\r\t'),
    (r'"\u0041\u00e9\u20AC"', "Aé€"),
    (r'"\ud83d\ude00"', "\U0001F600"),
    (r'"\u0000\u005C\u0022"', '\x00\\"'),
    ('"a\x7fb"', "a\x7fb"),
    ('"a\u2028b\x85"', "a\u2028b\x85"),
    ('"é \U0001F600"', "é \U0001F600"),
    # triple quotes: verbatim, closed by the last three quotes of a run
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
def test_quoted_strings(text, expected):
    assert_hocon(f"x = {text}", {"x": expected})


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


@pytest.mark.parametrize("text, expected", [
    ("foo include : 42", {"foo include": 42}),
    ("a = include", {"a": "include"}),
    ('a = [ include "x.conf" ]', {"a": ["include x.conf"]}),
    ("include.a = 1", {"include": {"a": 1}}),
    ("x.include = 1, includex = 2", {"x": {"include": 1}, "includex": 2}),
    ('"include" "x" = 1', {"include x": 1}),
    ('include\n"nope.conf", a = 1', {"a": 1}),
    ('include "nope.conf"\n,a = 1', {"a": 1}),
    ('a { include "nope.conf" }', {"a": {}}),
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
