"""Includes in the HOCON dialect: every form, every file kind, substitutions
relative to the include point, the include policy, and the errors, in
temporary folders."""

import os

import pytest

from quince_tarragon import (
    ConfigError,
    ConfigFileNotFoundError,
    ConfigLimitError,
    ConfigResolveError,
    ConfigSyntaxError,
    parse_file,
    parse_string,
)

from conftest import assert_tree

FILES = {
    "a.conf": "a = 1\nshared = conf",
    "kinds.properties": "p.q = from properties\nshared = properties\nesc = tab\\there \\u00e9\\\n   continued",
    "kinds.json": '{"j": [1, 2], "shared": "json", "dotted.key": true}',
    "kinds.conf": "c = 3\nshared = conf",
    "only.json": '{"o": 1}',
    "sub/b.conf": 'include "c.conf"\nb = 2',   # c.conf next to b.conf, not next to the includer
    "sub/c.conf": "c = sub",
    "c.conf": "c = top",
    "rel.conf": "x = 10\ny = ${x}\nz = ${top}",
    "lib/ref.conf": "lib = ${?lib} [ref]",
    "append.conf": "a += 1",
    "bad.conf": "ok = 1\nbroken = [\n",
    "bad.json": '{"a": 1,}',
    "root-array.json": "[1, 2]",
    "root-array.conf": "[1, 2]",
    "notjson.json": "a = 1",
    "loop.conf": 'include "loop.conf"',
    "badesc.properties": "a = \\u12",
}


@pytest.fixture
def tree(tmp_path, monkeypatch):
    for name, text in FILES.items():
        path = tmp_path / name
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_text(text, encoding="utf-8")
    monkeypatch.chdir(tmp_path)  # file(...) names are relative to the working directory
    return tmp_path


def main(tree, text, **kwargs):
    (tree / "main.conf").write_text(text, encoding="utf-8")
    return parse_file(tree / "main.conf", **kwargs)


@pytest.mark.parametrize("directive, expected", [
    ('include "a.conf"', {"a": 1, "shared": "conf"}),
    ('include file("a.conf")', {"a": 1, "shared": "conf"}),
    ('include url("file://{tree}/a.conf")', {"a": 1, "shared": "conf"}),
    ('include url("file:{tree}/a.conf")', {"a": 1, "shared": "conf"}),
    ('include classpath("a.conf")', {"a": 1, "shared": "conf"}),
    ('include classpath("/lib/ref.conf")', {"lib": ["ref"]}),
    ('include required( "a.conf" )', {"a": 1, "shared": "conf"}),
    ('include required(file("a.conf"))', {"a": 1, "shared": "conf"}),
    ('include required(classpath("a.conf"))', {"a": 1, "shared": "conf"}),
    ('include\n  "a.conf"', {"a": 1, "shared": "conf"}),
    ('include "sub/b.conf"', {"c": "sub", "b": 2}),
    ('include "{tree}/a.conf"', {"a": 1, "shared": "conf"}),
    ('include "missing.conf"', {}),
    ('include file("missing.conf")', {}),
    ('include classpath("missing")', {}),
    ('include "lib/ref.conf"\ninclude classpath("lib/ref.conf")', {"lib": ["ref", "ref"]}),
])
def test_include_forms(tree, directive, expected):
    assert_tree(main(tree, directive.format(tree=tree), classpath=[tree]), expected)


@pytest.mark.parametrize("directive, expected", [
    # no extension: every kind that exists, .conf winning over .json over .properties
    ('include "kinds"', {"p": {"q": "from properties"}, "shared": "conf",
                         "esc": "tab\there écontinued",
                         "j": [1, 2], "dotted.key": True, "c": 3}),
    ('include "only"', {"o": 1}),
    ('include "kinds.json"', {"j": [1, 2], "shared": "json", "dotted.key": True}),
    ('include "kinds.properties"',
     {"p": {"q": "from properties"}, "shared": "properties", "esc": "tab\there écontinued"}),
    ('x { include "kinds.json" }', {"x": {"j": [1, 2], "shared": "json", "dotted.key": True}}),
])
def test_file_kinds(tree, directive, expected):
    assert_tree(main(tree, directive), expected)


@pytest.mark.parametrize("name, text, expected", [
    ("top.json", '{"a": {"b": [1, {"c": null}]}, "a.b": 2}', {"a": {"b": [1, {"c": None}]}, "a.b": 2}),
    ("top.properties", "a.b = 1\na = 2\nx.y.z = ${nope}", {"a": {"b": "1"}, "x": {"y": {"z": "${nope}"}}}),
    ("top.txt", "a = [1] [2]", {"a": [1, 2]}),
])
def test_parse_file_reads_by_extension(tmp_path, name, text, expected):
    (tmp_path / name).write_text(text, encoding="utf-8")
    assert parse_file(tmp_path / name) == expected


@pytest.mark.parametrize("text, expected", [
    # first below the include point, then from the root
    ('top = 7\nq { include "rel.conf" }', {"top": 7, "q": {"x": 10, "y": 10, "z": 7}}),
    ('q { include "rel.conf" }\nq.x = 42\ntop = 0', {"q": {"x": 42, "y": 42, "z": 0}, "top": 0}),
    ('q { include "rel.conf", top = 1 }\ntop = 0', {"q": {"x": 10, "y": 10, "top": 1, "z": 1}, "top": 0}),
    ('r { s { include "rel.conf" } }\ntop = t', {"r": {"s": {"x": 10, "y": 10, "z": "t"}}, "top": "t"}),
    ('lib = [app]\ninclude "lib/ref.conf"', {"lib": ["app", "ref"]}),
    ('m { lib = [a] }\nm { include "lib/ref.conf" }', {"m": {"lib": ["a", "ref"]}}),
    ('include "rel.conf"\nx = 5\ntop = 0', {"x": 5, "y": 5, "z": 0, "top": 0}),
    ('x = 5\ntop = 0\ninclude "rel.conf"', {"x": 10, "y": 10, "z": 0, "top": 0}),
    ('v = ${q.y}\nq { include "rel.conf" }\ntop = 0', {"v": 10, "q": {"x": 10, "y": 10, "z": 0},
                                                    "top": 0}),
    ('include "append.conf"\ninclude "append.conf"', {"a": [1, 1]}),
    ('a = [0]\ninclude "append.conf"', {"a": [0, 1]}),
])
def test_substitutions_relative_to_the_include_point(tree, text, expected):
    assert_tree(main(tree, text), expected)


def test_include_policy(tree, tmp_path_factory):
    outside = tmp_path_factory.mktemp("outside")
    (outside / "secret.conf").write_text("secret = 1")
    os.symlink(outside / "secret.conf", tree / "link.conf")
    os.symlink(outside, tree.parent / "outside")
    assert main(tree, 'include "a.conf"', includes=str(tree)) == {"a": 1, "shared": "conf"}
    assert main(tree, 'include "sub/../a.conf"', includes=tree) == {"a": 1, "shared": "conf"}
    for directive in (f'include "{outside}/secret.conf"', 'include "../outside/secret.conf"',
                      'include "link.conf"', f'include url("file://{outside}/secret.conf")'):
        with pytest.raises(ConfigSyntaxError, match="outside the directory"):
            main(tree, directive, includes=tree)
        assert main(tree, directive) == {"secret": 1}  # the default trusts the file
    with pytest.raises(ConfigSyntaxError, match="includes are disabled"):
        main(tree, 'x = 1\ninclude "missing.conf"', includes=False)
    assert parse_string("a = include", includes=False) == {"a": "include"}


@pytest.mark.parametrize("text, cls, where, message", [
    ('include required("missing.conf")', ConfigFileNotFoundError, ("main.conf", 1, 1), "missing.conf"),
    ('\n include required(file("nope"))', ConfigFileNotFoundError, ("main.conf", 2, 2), "nope"),
    ('include required(classpath("nope.conf"))', ConfigFileNotFoundError, ("main.conf", 1, 1), "nope"),
    ('include url("http://example.com/a.conf")', ConfigSyntaxError, ("main.conf", 1, 1), "network"),
    ('include "https://example.com/a.conf"', ConfigSyntaxError, ("main.conf", 1, 1), "network"),
    ('x = [{ include "a.conf" }]', ConfigSyntaxError, ("main.conf", 1, 8), "inside an array"),
    ('include "bad.conf"', ConfigSyntaxError, ("bad.conf", 2, 10), "included from"),
    ('q { include "bad.json" }', ConfigSyntaxError, ("bad.json", 1, 9), "main.conf:1:5"),
    ('include "root-array.json"', ConfigSyntaxError, ("root-array.json", 1, 1), "array"),
    ('include "root-array.conf"', ConfigSyntaxError, ("root-array.conf", 1, 1), "array"),
    ('include "notjson.json"', ConfigSyntaxError, ("notjson.json", 1, 1), "quoted key"),
    ('include "badesc.properties"', ConfigSyntaxError, ("badesc.properties", 1, 5), "\\u"),
    ('include "loop.conf"', ConfigSyntaxError, ("loop.conf", 1, 1), "include cycle"),
    ('q { include "rel.conf" }', ConfigResolveError, ("rel.conf", 3, 5), "${top}"),
])
def test_include_errors(tree, text, cls, where, message):
    with pytest.raises(cls) as info:
        main(tree, text)
    e = info.value
    assert (os.path.basename(e.origin), e.line, e.column) == where, str(e)
    assert message in str(e)


def test_include_bounds(tree):
    for k in range(14):
        (tree / f"fan{k}.conf").write_text(f'include "fan{k + 1}.conf"\ninclude "fan{k + 1}.conf"')
    with pytest.raises(ConfigLimitError, match="too many includes"):
        main(tree, 'include "fan0.conf"')
    with pytest.raises(ConfigError):
        main(tree, "x = " + "[" * 3000 + "]" * 3000)
