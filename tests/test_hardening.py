"""Hostile input: deep nesting, expansion, odd text, repetition and threads.
Whatever the input, the interpreter must survive with a result or an
exception, and nothing may leak."""

import gc
import os
import subprocess
import sys
import threading

import pytest

import quince_tarragon
from quince_tarragon._native import parse

OK_DEPTH = 1000
BAD_DEPTH = 200_000


def nested(kind, n):
    if kind == "arrays":
        return "a = " + "[" * n + "]" * n
    if kind == "objects":
        return "a" + " { a" * n + " = 1" + " }" * n
    if kind == "dotted":
        return "a" + ".a" * n + " = 1\n" + "a" + ".a" * n + " = 2"  # the second line merges
    if kind == "unclosed":
        return "a = " + "[{a: " * (n // 2)
    if kind == "chain":  # deepest first, so each target is resolved on the way down
        return "".join(f"a{k} = ${{a{k - 1}}}\n" for k in range(n, 0, -1)) + "a0 = [1]"
    raise ValueError(kind)


def innermost(value):
    while isinstance(value, (dict, list)) and value:
        value = value[0] if isinstance(value, list) else next(iter(value.values()))
    return value


KINDS = ["arrays", "objects", "dotted", "chain"]


def run_in_thread(fn):
    """Runs fn in a thread with the default stack size; returns its result."""
    box = {}
    t = threading.Thread(target=lambda: box.update(result=fn()))
    t.start()
    t.join()
    return box["result"]


@pytest.mark.parametrize("kind", KINDS)
@pytest.mark.parametrize("in_thread", [False, True])
def test_deep_documents_within_bounds(kind, in_thread):
    text = nested(kind, OK_DEPTH)
    result = run_in_thread(lambda: parse(text)) if in_thread else parse(text)
    if kind == "chain":
        assert result["a1000"] == [1] and len(result) == OK_DEPTH + 1
    else:
        assert innermost(result) == ([] if kind == "arrays" else 2 if kind == "dotted" else 1)


DEEP_CHILD = """
import sys
from quince_tarragon._native import parse
try:
    parse(sys.stdin.read())
except (ValueError, NotImplementedError) as e:
    print(type(e).__name__, e)
"""


@pytest.mark.parametrize("kind, error", [
    ("arrays", "ValueError nesting too deep"),
    ("objects", "ValueError nesting too deep"),
    ("dotted", "ValueError nesting too deep"),
    ("unclosed", "ValueError nesting too deep"),
    ("chain", "NotImplementedError substitutions nested too deeply"),
])
def test_deep_documents_beyond_bounds(kind, error):
    # A child process, so that a crash fails this test instead of the run.
    pkg_root = os.path.dirname(os.path.dirname(quince_tarragon.__file__))
    env = dict(os.environ, PYTHONPATH=pkg_root)
    proc = subprocess.run([sys.executable, "-c", DEEP_CHILD], input=nested(kind, BAD_DEPTH),
                          text=True, env=env, capture_output=True, timeout=300)
    assert (proc.returncode, proc.stdout.strip()) == (0, error), proc.stderr[-2000:]


def doubling(seed, template, n=60):
    return f"a0 = {seed}\n" + "".join(
        f"a{k} = " + template.format(f"${{a{k - 1}}}") + "\n" for k in range(1, n + 1))


@pytest.mark.parametrize("text", [
    doubling("[1]", "[{0}, {0}]"),
    doubling("{x = 1}", "{{l = {0}, r = {0}}}"),
    doubling("xxxxxxxxxxxxxxxx", "{0}{0}"),
])
def test_expansion_is_bounded(text):
    with pytest.raises(NotImplementedError, match="^configuration expands beyond "):
        parse(text)


def test_expansion_below_the_bound_is_unaffected():
    assert innermost(parse(doubling("[1]", "[{0}, {0}]", n=16))["a16"]) == 1
    assert parse(doubling('""', "{0}{0}"))["a60"] == ""


ASTRAL, COMBINING = "\U0001F600", "e\u0301"


@pytest.mark.parametrize("text, expected", [
    ("\ufeffa = 1", {"\ufeffa": 1}),
    ("a = 1\rb = 2\r", {"a": "1\rb = 2"}),  # CR alone ends nothing
    ("a = 1\r\nb = 2\r\n", {"a": 1, "b": 2}),
    (f"{ASTRAL} = [{ASTRAL},{COMBINING}]", {ASTRAL: [ASTRAL, COMBINING]}),
    (f"a = {ASTRAL}#{COMBINING}", {"a": f"{ASTRAL}#{COMBINING}"}),
    (f"a = {COMBINING} //{ASTRAL}", {"a": COMBINING}),
    (f"a = \"{ASTRAL}\"{COMBINING}", {"a": f"{ASTRAL}{COMBINING}"}),
    (f"{COMBINING}.{ASTRAL} = {{ {ASTRAL}: {COMBINING} }}",
     {COMBINING: {ASTRAL: {ASTRAL: COMBINING}}}),
    (f"x = {ASTRAL}\ny = ${{x}}{COMBINING}", {"x": ASTRAL, "y": ASTRAL + COMBINING}),
])
def test_odd_characters(text, expected):
    assert parse(text) == expected


@pytest.mark.parametrize("text, message", [
    ("a\x00 = ${x\x00y}", "Cannot resolve variable ${x\x00y}"),
    ("a = ${\x00}", "Cannot resolve variable ${\x00}"),
])
def test_nul_in_substitution_paths(text, message):
    with pytest.raises(NotImplementedError) as info:
        parse(text)
    assert info.value.args == (message,)


def test_large_inputs():
    big = "x" * 50_000_000
    assert parse(f'a = "{big}"')["a"] == big
    assert parse(f"a = {big}\nb = ${{a}}")["b"] == big
    assert parse("a = [" + "1," * 300_000 + "]")["a"] == [1] * 300_000


MIX = [
    "a = 1, b = [1, 2, {c: 3}], d = ${a} x",
    "a = [1, 2",
    "a = ${missing}",
    "a = 9223372036854775808, b = 1e400, c = \"\U0001F600\"",
    "a { b = ${a.c}, c = 2 }",
    "include required(\"nowhere.conf\")",
    "a = {x = 1}\na = ${a} {y = 2}",
    "a = [1] x",
    "\"a b\" = 1",
]


def parse_mix(rounds):
    for _ in range(rounds):
        for text in MIX:
            try:
                parse(text)
            except (ValueError, NotImplementedError, FileNotFoundError):
                pass


def rss_kb():
    with open("/proc/self/status") as f:
        return next(int(line.split()[1]) for line in f if line.startswith("VmRSS:"))


def test_repeated_calls_do_not_leak():
    parse_mix(2000)  # warm up caches and allocator pools
    gc.collect()
    blocks, rss = sys.getallocatedblocks(), rss_kb()
    parse_mix(5000)  # 45,000 calls
    gc.collect()
    assert sys.getallocatedblocks() - blocks < 1000
    assert rss_kb() - rss < 8 * 1024


def test_concurrent_calls_get_their_own_results():
    docs = [(f"n = {i}\nitems = [${{n}}, {i}]\nname = \"t\"${{n}}", i) for i in range(8)]
    errors = []

    def worker(text, i):
        for _ in range(300):
            if parse(text) != {"n": i, "items": [i, i], "name": f"t{i}"}:
                errors.append(i)

    threads = [threading.Thread(target=worker, args=d) for d in docs]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert errors == []
