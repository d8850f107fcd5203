import math

import pytest

from quince_tarragon._native import parse

from conftest import typed

NIE, VE = NotImplementedError, ValueError
INF = math.inf


def fails(src, exc, message):
    with pytest.raises(exc) as info:
        parse(src)
    # NotImplementedError is a RuntimeError: insist on the exact class
    assert (type(info.value), info.value.args) == (exc, (message,))


@pytest.mark.parametrize("src, expected", [
    # gaps, comments and the root braces
    ("", {}),
    (" \t\r\n,,, \n", {}),
    ("# one\n// two\n,\n#", {}),
    ("// no final line feed", {}),
    ("{}", {}),
    (",,{}", {}),
    ("{} , # done", {}),
    ("\n{ a = 1 }\n// end", {"a": 1}),
    ("{a = 1} # end\n\n,", {"a": 1}),
    ("a = 1\r\nb = 2\r\n", {"a": 1, "b": 2}),
    ("a = 1 # x\nb = 2 // y\n#c = 3", {"a": 1, "b": 2}),
    ("a # note\n= 1", {"a": 1}),
    ("a = # note\n  42", {"a": 42}),
    ("a // note\n: // more\n 1", {"a": 1}),
    ("\ufeffa = 1", {"\ufeffa": 1}),
    ("/a = 1 /x", {"/a": "1 /x"}),
    # members and keys
    ("a.b.c = 1", {"a": {"b": {"c": 1}}}),
    ("a { b { c = 1 } }", {"a": {"b": {"c": 1}}}),
    ("a.b { c = 1 }", {"a": {"b": {"c": 1}}}),
    ("a { b.c : 1 }", {"a": {"b": {"c": 1}}}),
    ("a = 1, b = 2", {"a": 1, "b": 2}),
    ("a = 1\nb = 2", {"a": 1, "b": 2}),
    (",a = 1,,b = 2,", {"a": 1, "b": 2}),
    ("a=1,b:2\nc\t=\t3", {"a": 1, "b": 2, "c": 3}),
    ("x { a = 1 } y = 2", {"x": {"a": 1}, "y": 2}),
    ("a{b=1}c=2", {"a": {"b": 1}, "c": 2}),
    ("a.x = 1\nb = 2\na.y = 3", {"a": {"x": 1, "y": 3}, "b": 2}),
    ("a..b = 1", {"a": {"": {"b": 1}}}),
    (".a = 1", {"": {"a": 1}}),
    ("a. = 1", {"a": {"": 1}}),
    ('a"b = 1', {'a"b': 1}),
    ('"a-b_C9" = 1', {"a-b_C9": 1}),
    ("a+b = 1, a/b = 2", {"a+b": 1, "a/b": 2}),
    ("$(x)?!*\\é = 1", {"$(x)?!*\\é": 1}),
    ("1.5 = x", {"1": {"5": "x"}}),
    ("true = 1, null {}", {"true": 1, "null": {}}),
    ("include = 5", {"include": 5}),
    ("include : 5", {"include": 5}),
    ("include { a = 1 }", {"include": {"a": 1}}),
    ("include{a = 1}", {"include": {"a": 1}}),
    ('"include" = 1', {"include": 1}),
    # a quoted segment anywhere in a key, or in a substitution path, is one
    # element without its quotes; only plain text may be quoted
    ('"a".b = 1', {"a": {"b": 1}}),
    ('a."b".c = 1', {"a": {"b": {"c": 1}}}),
    ('a."b" = 1', {"a": {"b": 1}}),
    ('"a"."b-2"."c_3" { d = 1 }', {"a": {"b-2": {"c_3": {"d": 1}}}}),
    ('a."b" = 1\na.b = 2', {"a": {"b": 2}}),
    ('a.b"c" = 1', {"a": {'b"c"': 1}}),
    ('a { "b".c = 1 }\nx = ${a."b".c}', {"a": {"b": {"c": 1}}, "x": 1}),
    ('a.b = 1\nx = ${ "a" . b }\ny = ${a."b"}', {"a": {"b": 1}, "x": 1, "y": 1}),
    ('a = 1\nx = ${"a"}', {"a": 1, "x": 1}),
    # a repeated key merges objects; anything else replaces
    ("a = 1, b = 2, a = 3", {"a": 3, "b": 2}),
    ("a = {x = 1}\na = {y = 2}", {"a": {"x": 1, "y": 2}}),
    ("a = {x = 1}\na = 5", {"a": 5}),
    ("a = 5\na = {x = 1}", {"a": {"x": 1}}),
    ("a = {x = 1}, a = null, a = {y = 2}", {"a": {"y": 2}}),
    ("a = {x = {p = 1}}\na = {x = {q = 2}}", {"a": {"x": {"p": 1, "q": 2}}}),
    ("a { x = 1, y = 2 }\na { y { z = 1 }, x = 3, w = 4 }",
     {"a": {"x": 3, "y": {"z": 1}, "w": 4}}),
    ("a = {}\na = {x: 1}", {"a": {"x": 1}}),
    ("a = [1]\na = [2]", {"a": [2]}),
    ("a = {x = 1}\na = [2]", {"a": [2]}),
    ("a = 1\na.b = 2", {"a": {"b": 2}}),
    ("a.b = 2\na = 1", {"a": 1}),
    ("a.b.c = 1, a.b.d = 2, a = {b = null}", {"a": {"b": None}}),
    ("x { a = 1, a = 2 }", {"x": {"a": 2}}),
    ("a = [{x: 1}, {x: 2}]", {"a": [{"x": 1}, {"x": 2}]}),
    ("A = 1, a = 2, A = 3", {"A": 3, "a": 2}),
    ("\u00e9 = 1\ne\u0301 = 2", {"\u00e9": 1, "e\u0301": 2}),
])
def test_documents(src, expected):
    assert typed(parse(src)) == typed(expected)


KEYWORD = "bare keyword (true/false/null) in "
ERRORS = {
    (VE, "content after the root object"): ["{a = 1} {b = 2}", "{}}", "{} /"],
    (VE, "missing '}'"): ["{a = 1", "{ # c", "a { b = 1, "],
    (VE, "empty key"): ["}", "a = x}", "\x0ba = 1", "\u00a0a = 1", "= 1", "[x] = 1", "+= 1",
                        "a { ] }", "a = [1, {b = 2]"],
    # '+=' is refused before the quoted key is checked
    (NIE, "'+=' operator"): ["a += 1", "a+=1", '"a b" += 1'],
    # in a dotted key or a substitution path, each quoted segment is checked
    (NIE, "quoted key with special characters"): [
        '"a.b" = 1', '"" = 1', '"é" = 1', '"a\\tb" = 1', '"a b" x', 'a."b.c" = 1', '"a b".c = 1',
        'a."é".b = 1', 'x = ${a."b.c"}', 'x = ${a.""}'],
    (VE, "missing closing quote"): ['"abc', 'a = "'],
    (VE, "incomplete escape"): ['"a\\'],
    (NIE, "triple-quoted string"): ['a = """x"""', '"""a""" = 1', 'a = [ """\nb\n""" ]',
                                    'a = x """y"""'],
    (NIE, "empty value"): ["a =", "a =\nb = 1", "a = ,", "a { b = }", "a = # c", "a = [1, }"],
    (VE, "missing ']'"): ["a = [1, 2", "a = [1 # note"],
    (VE, "missing '}' in substitution"): ["a = ${x", "a = ${x\n y"],
    (NIE, KEYWORD + "multi-token value"): ["a = true false", "a = x TRUE", "a = \u00a0fAlSe\tx"],
    (NIE, KEYWORD + "concatenation"): ["a = ${x} true", "a = ${x}null", "a = [1] false",
                                       'a = "s" x null y'],
}


@pytest.mark.parametrize("src, exc, message",
                         [(src, exc, message) for (exc, message), sources in ERRORS.items()
                          for src in sources])
def test_errors(src, exc, message):
    fails(src, exc, message)


@pytest.mark.parametrize("src, shown", [
    # nothing left, or a comment
    ("a", "None"), ("x//y = 1", "None"), ("{a", "None"),
    # printable characters as themselves, quotes and backslashes escaped
    ("a b = 1", "Some('b')"), ('"a"b = 1', "Some('b')"), ("a + = 1", "Some('+')"),
    ("a,b = 1", "Some(',')"), ('"a"é = 1', "Some('é')"), ('"a"😀 = 1', "Some('😀')"),
    ('"a"" = 1', "Some('\"')"), ('"a"\' = 1', r"Some('\'')"), ('"a"\\ = 1', r"Some('\\')"),
    # the rest escaped (\n, \0, else \u{...}): controls, spaces other than ' ', combining
    # and format characters, private use and unassigned code points
    ("a\n= 1", r"Some('\n')"), ('"a"\x00 = 1', r"Some('\0')"), ("a\x0c= 1", r"Some('\u{c}')"),
    ("a\x85= 1", r"Some('\u{85}')"), ('"a"\x7f = 1', r"Some('\u{7f}')"),
    ("a\u00a0= 1", r"Some('\u{a0}')"), ("a\u3000= 1", r"Some('\u{3000}')"),
    ("a\u2028= 1", r"Some('\u{2028}')"), ('"a"\u0301 = 1', r"Some('\u{301}')"),
    ('"a"\u200b = 1', r"Some('\u{200b}')"), ('"a"\u00ad = 1', r"Some('\u{ad}')"),
    ('"a"\ue000 = 1', r"Some('\u{e000}')"), ('"a"\u0378 = 1', r"Some('\u{378}')"),
    ('"a"\U000e0001 = 1', r"Some('\u{e0001}')"),
])
def test_missing_separator_rendering(src, shown):
    fails(src, VE, "expected '=' or ':' after the key, got " + shown)


@pytest.mark.parametrize("value, expected", [
    ("42", 42),
    ("42   # note", 42),
    ("42// note", "42// note"),
    ('"x"   # note', "x"),
    ('"x"#y', "x"),
    ('"x"//y', "x"),
    ("foo   bar  ", "foo   bar"),
    ("1\tb", "1\tb"),
    ("foo\r", "foo"),
    ("\u00a042\u3000", 42),
    ("nullable stuff", "nullable stuff"),
    ('"true"', "true"),
    ('"${x}"', "${x}"),
    ("x//y // note", "x//y"),
    ("x#y", "x#y"),
    ("$x", "$x"),
    ("b = c", "b = c"),
    ("key: value", "key: value"),
    ("\\n;!@*&^`?+", "\\n;!@*&^`?+"),
    ("// c\n# d\n7", 7),
    ("[,]", []),
    ("[1,,2,]", [1, 2]),
    ("[,1]", [1]),
    ("[1 2]", ["1 2"]),
    ("[\n1\n2\n]", [1, 2]),
    ("[1 # c\n, 2 // d\n]", [1, 2]),
    ("[[1], [2, [true]], null]", [[1], [2, [True]], None]),
    ("[{x: 1}, {}, \"s\"]", [{"x": 1}, {}, "s"]),
    ("[1]   ", [1]),
    ("\t{x: 1}  # c", {"x": 1}),
    ("{\n  x: 1\n  y: [a\n b]\n}", {"x": 1, "y": ["a", "b"]}),
])
def test_values(value, expected):
    assert typed(parse("a = " + value + "\nz = 0")) == typed({"a": expected, "z": 0})


@pytest.mark.parametrize("inner, text", [
    ("", ""),
    ('a\\"b', 'a"b'),
    ("a\\\\b", "a\\b"),
    ("a\\/b", "a/b"),
    ("x\\ny\\rz\\tw", "x\ny\rz\tw"),
    ("x\ny", "x\ny"),
    ("\\\\n", "\\n"),
    ("\\'\\a\\x", "\\'\\a\\x"),
    ("# no // comment ${x} [1] {,}", "# no // comment ${x} [1] {,}"),
    ("  pad  ", "  pad  "),
    ("true", "true"),
    ("\x00😀\u0301", "\x00😀\u0301"),
    # JSON's escapes decode as JSON decodes them (text written by json.dumps
    # with ensure_ascii reads back unchanged); UTF-8 holds no lone surrogate.
    ("Z\\u00fcrich", "Zürich"),
    ("\\u0041\\u00E9\\u20aC", "Aé€"),
    ("\\u0000", "\x00"),
    ("\\ud83d\\ude00", "😀"),
    ("\\uD834\\uDD1E!", "\U0001d11e!"),
    ("\\b\\f", "\b\f"),
    ("\\u00411", "A1"),
])
def test_quoted_strings(inner, text):
    assert typed(parse('a = "' + inner + '"')) == typed({"a": text})


@pytest.mark.parametrize("inner", [
    "\\u12", "\\u", "\\u12G4", "\\ud83d", "\\ud83dx", "\\ud83d\\u0041", "\\ude00", "\\ud83d\\u12",
])
def test_bad_unicode_escapes(inner):
    with pytest.raises(ValueError) as info:
        parse('a = "' + inner + '"')
    assert type(info.value) is ValueError and "\\u escape" in str(info.value)


@pytest.mark.parametrize("text, expected", [
    ("null", None), ("NULL", None), ("True", True), ("fAlSe", False),
    ("null1", "null1"), ("nul", "nul"), ("truex", "truex"), ("yes", "yes"), ("on", "on"),
    ("0", 0), ("-0", 0), ("+5", 5), ("007", 7), ("00000000000000000000000001", 1),
    ("9223372036854775807", 9223372036854775807),
    ("-9223372036854775808", -9223372036854775808),
    ("9223372036854775808", 9223372036854775808),
    ("-9223372036854775809", -9223372036854775809),
    ("+123456789012345678901234567890", 123456789012345678901234567890),
    ("-00000000000000000000009223372036854775808", -9223372036854775808),
    ("1.0", 1.0), ("-0.0", -0.0), ("1E5", 100000.0), ("1e+5", 100000.0), ("1e3", 1000.0),
    ("2.5e-3", 0.0025), ("1.e3", 1000.0), (".5", 0.5), ("-.5", -0.5), ("+1.5", 1.5),
    ("00.5", 0.5), ("-0e0", -0.0), ("0.1", 0.1), ("1e23", 1e23),
    # halfway cases round to the even neighbour; anything beyond the half rounds up
    ("9007199254740993.0", 9007199254740992.0),
    ("9007199254740995.0", 9007199254740996.0),
    ("9007199254740993.0000000000000000001", 9007199254740994.0),
    ("2.4703282292062327e-324", 0.0),
    ("2.4703282292062328e-324", 5e-324),
    ("-2.4703282292062327e-324", -0.0),
    ("4.9e-324", 5e-324),
    ("1.7976931348623158e308", 1.7976931348623157e308),
    ("1.7976931348623159e308", INF),
    ("1e400", INF), ("-1e400", -INF), ("1e-400", 0.0), ("-1e-400", -0.0),
    ("1e99999999999999999999", INF), ("-1e-99999999999999999999", -0.0),
    ("0e99999999999999999999", 0.0),
    ("0." + "0" * 399 + "1e400", 1.0),
    ("1" + "0" * 400 + "e-400", 1.0),
    ("1.", "1."), ("5.", "5."), (".", "."), ("e5", "e5"), (".e5", ".e5"), ("1e", "1e"),
    ("1e+", "1e+"), ("+", "+"), ("-", "-"), ("++1", "++1"), ("+-1", "+-1"), ("-+.5", "-+.5"),
    ("0x1F", "0x1F"), ("1_000", "1_000"), ("1 000", "1 000"), ("inf", "inf"),
    ("-Infinity", "-Infinity"), ("NaN", "NaN"), ("1.2.3", "1.2.3"), ("10s", "10s"),
    ("1e5x", "1e5x"), ("1e5.0", "1e5.0"), ("١٢", "١٢"), ("１", "１"), ("0.5f", "0.5f"),
])
def test_scalars(text, expected):
    assert typed(parse("a = " + text)) == typed({"a": expected})
