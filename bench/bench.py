"""Benchmarks of quince_tarragon, both dialects, against json.loads.

    python bench/bench.py [--quick]

`parse` is the strict dialect (quince_tarragon.parse); `parse_string` the HOCON
dialect as users call it. Times are medians of alternating runs in one
process; ratios against json.loads on the same text are what to compare
across machines.
"""

from __future__ import annotations

import argparse
import json
import pathlib
import random
import statistics
import subprocess
import sys
import time

from quince_tarragon import ConfigError, parse_file, parse_string
from quince_tarragon._native import parse

ROOT = pathlib.Path(__file__).resolve().parent.parent
CORPUS = ROOT.parent / "shared" / "corpus" / "realworld"
DIALECTS = {"parse": parse, "parse_string": parse_string}


def median_time(fn, text, runs):
    times = []
    for _ in range(runs):
        t0 = time.perf_counter()
        fn(text)
        times.append(time.perf_counter() - t0)
    return statistics.median(times)


def side_by_side(fns, text, runs):
    """Alternates the functions run by run; returns each one's median."""
    times = {name: [] for name in fns}
    for _ in range(runs):
        for name, fn in fns.items():
            t0 = time.perf_counter()
            fn(text)
            times[name].append(time.perf_counter() - t0)
    return {name: statistics.median(ts) for name, ts in times.items()}


def json_config(target_bytes, seed=1):
    """A JSON-compatible configuration: services with nested settings."""
    rng = random.Random(seed)
    words = ["alpha", "beta", "gamma", "delta", "cache", "queue", "worker", "region",
             "timeout", "retry", "endpoint", "pool", "limit", "enabled", "weight"]

    def leaf(depth):
        r = rng.random()
        if depth > 3 or r < 0.55:
            kind = rng.randrange(6)
            if kind == 0:
                return rng.randrange(-10**6, 10**9)
            if kind == 1:
                return round(rng.uniform(-1000, 1000), rng.randrange(1, 8))
            if kind == 2:
                return rng.random() < 0.5
            if kind == 3:
                return None
            return "-".join(rng.choice(words) for _ in range(rng.randrange(1, 5)))
        if r < 0.75:
            return [leaf(depth + 1) for _ in range(rng.randrange(0, 8))]
        return {f"{rng.choice(words)}_{i}": leaf(depth + 1) for i in range(rng.randrange(1, 8))}

    doc, size, i = {}, 0, 0
    while size < target_bytes:
        svc = {f"{rng.choice(words)}_{k}": leaf(0) for k in range(12)}
        doc[f"service_{i}"] = svc
        size += len(json.dumps(svc, indent=2))
        i += 1
    return json.dumps(doc, indent=2)


def small_config():
    """A 2 KB JSON configuration of 25 small objects."""
    return json.dumps({f"svc{i}": {"host": f"h{i}", "port": 8000 + i, "on": True, "w": 0.5,
                                   "tags": ["a", "b"]} for i in range(25)}, indent=2)


def hocon_config(target_bytes, seed=2):
    """HOCON with comments, unquoted strings, dotted keys, merges and
    substitutions."""
    rng = random.Random(seed)
    parts, size, i = ["defaults { timeout = 30s, retries = 3, host = localhost }\n"], 0, 0
    while size < target_bytes:
        block = (
            f"# service {i}\n"
            f"service{i} {{\n"
            f"  name = service-{i}\n"
            f"  host = ${{defaults.host}}\n"
            f"  port = {8000 + i % 1000}\n"
            f"  url = \"http://\"${{defaults.host}}\":\"{8000 + i % 1000}/api/v{rng.randrange(1, 4)}\n"
            f"  limits.rate = {rng.randrange(1, 1000)}\n"
            f"  limits.burst = {rng.random():.4f}\n"
            f"  tags = [web, internal, tier-{i % 3}]  // inline comment\n"
            f"  retries = ${{defaults.retries}}\n"
            f"}}\n"
            f"service{i}.limits {{ window = 60s }}\n"
        )
        parts.append(block)
        size += len(block)
        i += 1
    return "".join(parts)


def bench_json_rows(docs):
    print("1. parse / json.loads on JSON text (median time ratio; goal in brackets)")
    for label, text, runs, goal in docs:
        assert parse(text) == parse_string(text) == json.loads(text)
        fns = {**DIALECTS, "json.loads": json.loads}
        t = side_by_side(fns, text, runs)
        base = t["json.loads"]
        print(f"   {label:28s} parse {t['parse'] / base:5.2f}x   parse_string "
              f"{t['parse_string'] / base:5.2f}x   [{goal}]   (json.loads {base * 1e6:9.1f} us)")


PEAK = """
import json, sys
from quince_tarragon import parse_string
from quince_tarragon._native import parse

def hwm_kb():
    for line in open("/proc/self/status"):
        if line.startswith("VmHWM:"):
            return int(line.split()[1])

text = open(sys.argv[2]).read()
fn = {"parse": parse, "parse_string": parse_string, "json.loads": json.loads}[sys.argv[1]]
with open("/proc/self/clear_refs", "w") as f:
    f.write("5")  # resets the peak to the current resident size
before = hwm_kb()
result = fn(text)
print(before, hwm_kb())
"""


def bench_memory(text):
    path = pathlib.Path("/tmp/quince_bench_doc.json")
    path.write_text(text)
    peak = {}
    for name in ("parse", "parse_string", "json.loads"):
        out = subprocess.run([sys.executable, "-c", PEAK, name, str(path)],
                             capture_output=True, text=True, check=True).stdout.split()
        peak[name] = (int(out[1]) - int(out[0])) / 1024
    path.unlink()
    base = peak["json.loads"]
    print("2. peak memory growth during one call on the largest document (RSS high-water mark)")
    print(f"   parse {peak['parse']:.0f} MB ({peak['parse'] / base:.2f}x), parse_string "
          f"{peak['parse_string']:.0f} MB ({peak['parse_string'] / base:.2f}x), "
          f"json.loads {base:.0f} MB   [goal 1.5x]")


def bench_hocon_text(mb, runs):
    text = hocon_config(int(mb * 1e6))
    t = side_by_side(DIALECTS, text, runs)
    size = len(text.encode()) / 1e6
    print(f"3. HOCON-flavoured document, {size:.1f} MB: parse {size / t['parse']:.1f} MB/s, "
          f"parse_string {size / t['parse_string']:.1f} MB/s")


def bench_corpus(runs):
    files = sorted(CORPUS.glob("*")) if CORPUS.is_dir() else []
    if not files:
        print("4. real-world corpus: not present")
        return
    strict_bytes = strict_time = hocon_bytes = hocon_time = 0.0
    for f in files:
        text = f.read_text(encoding="utf-8")
        try:
            parse(text)
            strict_time += median_time(parse, text, runs)
            strict_bytes += len(text.encode())
        except (ValueError, NotImplementedError, FileNotFoundError):
            pass
        try:
            parse_file(f)
            hocon_time += median_time(lambda _: parse_file(f), None, runs)
            hocon_bytes += len(text.encode())
        except ConfigError:
            pass
    print(f"4. real-world corpus ({len(files)} files): parse {strict_bytes / 1e6 / strict_time:.1f} MB/s "
          f"on the {strict_bytes / 1e3:.0f} kB it reads, parse_file {hocon_bytes / 1e6 / hocon_time:.1f} MB/s "
          f"on the {hocon_bytes / 1e3:.0f} kB it reads")


SCALING = {
    "keys in one object": (lambda n: "\n".join(f"k{i} = {i}" for i in range(n)),
                           lambda n: json.dumps({f"k{i}": i for i in range(n)})),
    "array elements": (lambda n: "a = [" + ", ".join(str(i) for i in range(n)) + "]",
                       lambda n: json.dumps({"a": list(range(n))})),
    "dotted keys, one parent": (lambda n: "\n".join(f"p.k{i} = {i}" for i in range(n)), None),
    "references to one target": (lambda n: "t = {x = 1}\n" + "\n".join(f"r{i} = ${{t}}" for i in range(n)),
                                 None),
}


def bench_scaling(runs):
    print(f"5. growth from 20,000 to 200,000 (linear is x10; goal x12 where json.loads stays "
          f"within x12), median of {runs}")
    for name, (make, make_json) in SCALING.items():
        small, large = make(20_000), make(200_000)
        growth = {}
        for label, fn in DIALECTS.items():
            growth[label] = median_time(fn, large, runs) / median_time(fn, small, runs)
        line = f"   {name:26s} parse x{growth['parse']:5.1f}   parse_string x{growth['parse_string']:5.1f}"
        if make_json:
            js, jl = make_json(20_000), make_json(200_000)
            line += f"   json.loads x{median_time(json.loads, jl, runs) / median_time(json.loads, js, runs):5.1f}"
        print(line)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--quick", action="store_true", help="fewer runs")
    args = ap.parse_args()
    scale = 3 if args.quick else 1
    big = json_config(int(8.7e6))
    docs = [
        ("8.7 MB JSON config", big, 15 // scale, "1.0"),
        ("1.1 MB JSON config", json_config(int(1.1e6)), 60 // scale, "1.1"),
        ("2 KB JSON config", small_config(), 3000 // scale, "1.5"),
        ("3 keys", '{"a": 1, "b": "x", "c": true}', 30000 // scale, "2.0"),
    ]
    bench_json_rows(docs)
    bench_memory(big)
    bench_hocon_text(2, 11 // scale)
    bench_corpus(11 // scale)
    bench_scaling(7 // scale or 1)


if __name__ == "__main__":
    main()
