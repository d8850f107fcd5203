"""Trees back to text: HOCON and JSON that read back as the same tree, Java
properties that read back as its text; and the command line's formats."""

import json
import tempfile
from pathlib import Path

import pytest
from hypothesis import given, settings, strategies as st

from quince_tarragon import ConfigError, __version__, dumps, parse_file, parse_string

from conftest import Fails, assert_outcome, cli, trees, typed

CORPUS = Path(__file__).resolve().parent.parent.parent / "shared" / "corpus"


def as_properties(value):
    """What a properties file gives back: text for every value, lists as
    objects keyed by index."""
    if isinstance(value, dict):
        return {k: as_properties(v) for k, v in value.items()}
    if isinstance(value, list):
        return {str(i): as_properties(v) for i, v in enumerate(value)}
    if isinstance(value, float) and abs(value) == float("inf"):
        return "1e999" if value > 0 else "-1e999"  # the number that reads back as inf
    return value if isinstance(value, str) else json.dumps(value)


def check_round_trips(tree, folder):
    """HOCON reads back exactly (types and key order too), JSON is what
    json.dumps writes, properties read back as text where they can be written.
    Returns whether they could."""
    for indent in (2, 0):
        assert typed(parse_string(dumps(tree, indent=indent))) == typed(tree)
    try:
        pretty = json.dumps(tree, indent=2, ensure_ascii=False, allow_nan=False)
    except ValueError:
        with pytest.raises(ValueError):
            dumps(tree, "json")
    else:
        assert dumps(tree, "json") == pretty
        assert dumps(tree, "json", 0) == json.dumps(tree, separators=(",", ":"), ensure_ascii=False)
    try:
        text = dumps(tree, "properties")
    except ValueError:
        return False
    (folder / "t.properties").write_text(text, encoding="utf-8")
    assert parse_file(folder / "t.properties") == as_properties(tree)
    return True


@settings(max_examples=300, deadline=None, database=None)
@given(trees())
def test_generated_trees_round_trip(tree):
    with tempfile.TemporaryDirectory() as folder:
        check_round_trips(tree, Path(folder))


# What a properties file can hold: no dotted keys, nulls, empty containers or infinities.
@settings(max_examples=200, deadline=None, database=None)
@given(trees(keys=st.text(max_size=6).filter(lambda k: "." not in k), min_size=1,
             scalars=st.booleans() | st.integers() | st.text() | st.floats(allow_nan=False,
                                                                          allow_infinity=False)))
def test_generated_properties_round_trip(tree):
    with tempfile.TemporaryDirectory() as folder:
        assert check_round_trips(tree, Path(folder))


def corpus_files():
    files = sorted(CORPUS.glob("**/*.conf")) if CORPUS.is_dir() else []
    return [pytest.param(p, id=str(p.relative_to(CORPUS))) for p in files]


@pytest.mark.skipif(not CORPUS.is_dir(), reason="corpus not present")
@pytest.mark.parametrize("path", corpus_files())
def test_corpus_round_trips(path, tmp_path, monkeypatch):
    monkeypatch.chdir(path.parent)
    try:
        tree = parse_file(path)
    except ConfigError:
        pytest.skip("does not load on its own")
    check_round_trips(tree, tmp_path)


TREE = {"name": "svc", "db": {"port": 5432, "ratio": 0.5, "big": 1e400, "tags": ["a", {}]},
        "a.b": None, "include": True, "": []}


@pytest.mark.parametrize("tree, format, indent, expected", [
    (TREE, "hocon", 2, 'name = "svc"\ndb {\n  port = 5432\n  ratio = 0.5\n  big = 1e999\n'
                       '  tags = [\n    "a"\n    {}\n  ]\n}\n"a.b" = null\n"include" = true\n"" = []'),
    (TREE, "hocon", 0, 'name = "svc", db {port = 5432, ratio = 0.5, big = 1e999, tags = ["a", {}]}, '
                       '"a.b" = null, "include" = true, "" = []'),
    ({}, "hocon", 2, ""),
    ({"k =:#!\\": " v=:#!\t\n", "l": [1, True, 1.5, 1e400], "": {"": "#x\\"}}, "properties", 2,
     "k\\ \\=\\:\\#\\!\\\\ = \\ v=:#!\\t\\n\nl.0 = 1\nl.1 = true\nl.2 = 1.5\nl.3 = 1e999\n. = #x\\\\"),
    ({"a": float("inf")}, "json", 2, Fails(ValueError, "JSON", "inf")),
    ({"a": [float("nan")]}, "json", 0, Fails(ValueError, "nan")),
    ({"a": float("nan")}, "hocon", 2, Fails(ValueError, "NaN")),
    ({"x": {"a.b": 1}}, "properties", 2, Fails(ValueError, "'a.b' (under 'x')", "dot")),
    ({"a": {"b": None}}, "properties", 2, Fails(ValueError, "null at 'a.b'")),
    ({"a": [{}]}, "properties", 2, Fails(ValueError, "empty object at 'a.0'")),
    ({"a": []}, "properties", 2, Fails(ValueError, "empty list at 'a'")),
    ({"a": float("nan")}, "properties", 2, Fails(ValueError, "number at 'a'")),
    ({"a": 1}, "yaml", 2, Fails(ValueError, "unknown format 'yaml'")),
    ({"a": 1}, "json", -1, Fails(ValueError, "indent")),
    ([1], "json", 2, Fails(TypeError, "mapping")),
    ({"a": {1, 2}}, "hocon", 2, Fails(TypeError, "set")),
])
def test_dumps(tree, format, indent, expected):
    assert_outcome(lambda: dumps(tree, format, indent), expected)


def test_deep_trees_render(tmp_path):
    tree = parse_string("a." * 999 + "b = " + "[" * 1000 + "1" + "]" * 1000)
    flat = dumps(tree, "json", 0)  # compared as text: == on trees this deep recurses
    for indent in (2, 0):
        assert dumps(parse_string(dumps(tree, indent=indent)), "json", 0) == flat
        assert dumps(parse_string(dumps(tree, "json", indent)), "json", 0) == flat
    (tmp_path / "deep.properties").write_text(dumps(tree, "properties"))
    back = parse_file(tmp_path / "deep.properties")
    assert back.get_string("a." * 999 + "b" + ".0" * 1000) == "1"


@pytest.mark.parametrize("args, stdout", [
    ([], '{\n  "a": {\n    "b": [\n      1,\n      "x"\n    ]\n  }\n}\n'),
    (["--indent", "0"], '{"a":{"b":[1,"x"]}}\n'),
    (["--format", "hocon"], 'a {\n  b = [\n    1\n    "x"\n  ]\n}\n'),
    (["--format", "hocon", "--indent", "0"], 'a {b = [1, "x"]}\n'),
    (["--format", "properties"], "a.b.0 = 1\na.b.1 = x\n"),
    (["--version"], f"quince-tarragon {__version__}\n"),
])
def test_cli_formats(args, stdout):
    r = cli(*args, stdin="a.b = [1, x]")
    assert (r.returncode, r.stdout, r.stderr) == (0, stdout, "")
