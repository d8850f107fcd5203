import os

import pytest

from quince_tarragon._native import parse


@pytest.fixture
def tree(tmp_path):
    """A small directory of config files; returns its path as str."""
    files = {
        "a.conf": "x = 1",
        "sub/b.conf": 'include "c.conf"',
        "sub/c.conf": "y = 2",
        "ref.conf": "r = ${x}",
        "self.conf": 'include "self.conf"',
        "ring1.conf": 'include "ring2.conf"',
        "ring2.conf": 'include "ring1.conf"',
        "braced.conf": "{ z = 3 }",
        "broken.conf": "q = [1",
        "x\" \"y": "odd = 1",
    }
    for name, text in files.items():
        path = tmp_path / name
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_text(text, encoding="utf-8")
    (tmp_path / "latin1.conf").write_bytes(b"a = \xff\n")
    (tmp_path / "dir.conf").mkdir()
    os.mkfifo(tmp_path / "pipe.conf")
    return str(tmp_path)


@pytest.mark.parametrize("text, expected", [
    ('include "a.conf"', {"x": 1}),
    ('include "sub/b.conf"', {"y": 2}),  # nested include is relative to sub/
    ('include file("a.conf")', {"x": 1}),
    ('include required(file("a.conf"))', {"x": 1}),
    ('include required( "a.conf" )', {"x": 1}),
    ('include "a.conf"   # note', {"x": 1}),
    ('include "a.conf", b = 2', {"x": 1, "b": 2}),
    ('a { include "a.conf" }', {"a": {"x": 1}}),
    ('x = 0\ninclude "a.conf"\nx = 5', {"x": 5}),
    ('w = 0\ninclude "a.conf"\nw = 5', {"w": 5, "x": 1}),
    ('include "braced.conf"', {"z": 3}),
    ('x = 7\ninclude "ref.conf"', {"x": 7, "r": 7}),  # resolved against the whole document
    ('include "x" "y"', {"odd": 1}),
    ('include "missing.conf"', {}),
    ('include "latin1.conf"', {}),
    ('include "dir.conf"', {}),
    ('include "a.conf"\ninclude "a.conf"', {"x": 1}),
    ('include "pipe.conf"', {}),  # a FIFO would block
])
def test_include(tree, text, expected):
    assert parse(text, tree) == expected


def test_absolute_path_ignores_base(tree, tmp_path_factory):
    other = str(tmp_path_factory.mktemp("elsewhere"))
    assert parse(f'include "{os.path.join(tree, "a.conf")}"', other) == {"x": 1}


@pytest.mark.parametrize("base", [None, ""])
def test_without_base_paths_are_relative_to_cwd(tree, monkeypatch, base):
    monkeypatch.chdir(tree)
    assert parse('include "sub/b.conf"', base) == {"y": 2}


@pytest.mark.parametrize("text, exc, message", [
    *[(f'include required("{name}")', FileNotFoundError, f"Cannot include required file: {name}")
      for name in ("missing.conf", "latin1.conf", "dir.conf", "pipe.conf", "/dev/zero")],
    ('include url("a.conf")', NotImplementedError, "include url(...) out of scope"),
    ('include classpath("x")', NotImplementedError, "include classpath(...) out of scope"),
    ("include foo.conf", NotImplementedError, 'unquoted include: "foo.conf"'),
    ("include\n", NotImplementedError, 'unquoted include: ""'),
    ('include "a,b.conf"', NotImplementedError, 'unquoted include: "\\"a"'),
    ("include url(x)", NotImplementedError, 'unquoted include: "url(x)"'),
    ('include required ("a.conf")', NotImplementedError,
     'unquoted include: "required (\\"a.conf\\")"'),
    ('include file(required("a"))', NotImplementedError,
     'unquoted include: "file(required(\\"a\\"))"'),
    ("include a\u0301\tb\x00", NotImplementedError, 'unquoted include: "a\\u{301}\\tb\\0"'),
    ('include"a.conf"', ValueError, "expected '=' or ':' after the key, got None"),
    ('include "broken.conf"', ValueError, "missing ']'"),
    ('include "self.conf"', ValueError, "include cycle: self.conf"),
    ('include "ring1.conf"', ValueError, "include cycle: ring1.conf"),
])
def test_include_errors(tree, text, exc, message):
    with pytest.raises(exc) as info:
        parse(text, tree)
    assert info.type is exc and info.value.args == (message,)
