"""Real configuration files, full dialect; expectations checked against the reference
implementation of HOCON."""

import json
import re
from pathlib import Path

import pytest

from quince_tarragon import ConfigError, parse_file

from conftest import assert_tree

HERE = Path(__file__).resolve().parent
CORPUS = HERE.parent.parent / "shared" / "corpus"
RECORDED = json.loads((HERE / "data" / "oracle" / "corpus.json").read_text(encoding="utf-8"))
ENV_NAME = re.compile(r"\$\{\??\s*([A-Za-z_][A-Za-z0-9_]*)\s*\}")

needs_corpus = pytest.mark.skipif(not CORPUS.is_dir(), reason="corpus not present")


def pin_environment(monkeypatch, path, pins):
    # the machine's own variables must not leak into ${NAME} lookups
    for name in set(ENV_NAME.findall(path.read_text(encoding="utf-8"))):
        monkeypatch.delenv(name, raising=False)
    for name, value in pins.items():
        monkeypatch.setenv(name, value)


# every variant in an equiv* folder reads as the folder's original.json
EQUIVALENTS = sorted(p for p in CORPUS.glob("lightbend/equiv*/*")
                     if p.is_file() and p.name != "original.json")


@needs_corpus
@pytest.mark.parametrize("variant", EQUIVALENTS, ids=lambda p: f"{p.parent.name}/{p.name}")
def test_equivalent_variants(variant, monkeypatch):
    pin_environment(monkeypatch, variant, {})
    expected = json.loads((variant.parent / "original.json").read_text(encoding="utf-8"))
    assert_tree(parse_file(str(variant)), expected)


@needs_corpus
@pytest.mark.parametrize("rel, entry", [pytest.param(r, e, id=r) for r, e in RECORDED.items()])
def test_recorded_files(rel, entry, monkeypatch):
    path = CORPUS / rel
    pin_environment(monkeypatch, path, entry.get("env", {}))
    # file(...) names resolve against the working directory
    monkeypatch.chdir(path.parent)
    classpath = [path.parent / d for d in entry.get("classpath", [])]
    if "error" in entry:
        with pytest.raises(ConfigError):
            parse_file(str(path), classpath=classpath)
    else:
        # the recording cannot tell 1 from 1.0, so only == applies
        assert parse_file(str(path), classpath=classpath) == entry["json"]


@needs_corpus
def test_every_corpus_file_is_recorded():
    files = sorted(p for p in (CORPUS / "lightbend").glob("*.conf"))
    files += sorted((CORPUS / "realworld").iterdir())
    assert sorted(str(p.relative_to(CORPUS)) for p in files) == sorted(RECORDED)
