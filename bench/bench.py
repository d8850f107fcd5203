"""Benchmarks of quince_tarragon's native parser.

    python bench/bench.py [--quick]

Times are medians of alternating runs in one process; ratios against
json.loads on the same text are what to compare across machines.
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

from quince_tarragon import ConfigTree, _hocon
from quince_tarragon._native import parse


def hocon(text):
    """The HOCON dialect's engine call, as parse_string makes it."""
    return _hocon.parse(text, None, None, 0, True, (), None, ConfigTree, None)

ROOT = pathlib.Path(__file__).resolve().parent.parent
CORPUS = ROOT.parent / "shared" / "corpus" / "realworld"


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


def bench_json(mb, runs):
    text = json_config(int(mb * 1e6))
    assert parse(text) == json.loads(text) == hocon(text)
    t = side_by_side({"parse": parse, "hocon": hocon, "json.loads": json.loads}, text, runs)
    size = len(text.encode()) / 1e6
    print(f"1. JSON-compatible config, {size:.1f} MB, median of {runs}:")
    print(f"   parse (strict) {t['parse'] * 1e3:8.1f} ms  {size / t['parse']:7.1f} MB/s")
    print(f"   HOCON dialect  {t['hocon'] * 1e3:8.1f} ms  {size / t['hocon']:7.1f} MB/s")
    print(f"   json.loads     {t['json.loads'] * 1e3:8.1f} ms  {size / t['json.loads']:7.1f} MB/s")
    print(f"   ratio parse / json.loads = {t['parse'] / t['json.loads']:.2f}, "
          f"HOCON / json.loads = {t['hocon'] / t['json.loads']:.2f}, "
          f"HOCON / strict = {t['hocon'] / t['parse']:.2f}")
    return text


def bench_corpus(mb, runs):
    files = sorted(CORPUS.glob("*")) if CORPUS.is_dir() else []
    counts = {"result": 0, "refused": 0, "error": 0}
    ok_bytes, ok_time = 0, 0.0
    for f in files:
        text = f.read_text(encoding="utf-8")
        try:
            parse(text)
        except NotImplementedError:
            counts["refused"] += 1
            continue
        except (ValueError, FileNotFoundError):
            counts["error"] += 1
            continue
        counts["result"] += 1
        ok_time += median_time(parse, text, runs)
        ok_bytes += len(text.encode())
    print(f"2. real-world files: {len(files)} files: {counts['result']} parsed, "
          f"{counts['refused']} refused (NotImplementedError), {counts['error']} errors")
    if ok_time:
        print(f"   the {counts['result']} parsed files, {ok_bytes / 1e3:.0f} kB: "
              f"{ok_bytes / 1e6 / ok_time:.1f} MB/s")
    text = hocon_config(int(mb * 1e6))
    t = side_by_side({"parse": parse, "hocon": hocon}, text, runs)
    size = len(text.encode()) / 1e6
    print(f"   HOCON-flavoured document, {size:.1f} MB: strict {t['parse'] * 1e3:.1f} ms "
          f"({size / t['parse']:.1f} MB/s), HOCON dialect {t['hocon'] * 1e3:.1f} ms "
          f"({size / t['hocon']:.1f} MB/s), HOCON / strict = {t['hocon'] / t['parse']:.2f}")


SCALING = {
    "keys in one object": lambda n: "\n".join(f"k{i} = {i}" for i in range(n)),
    "array elements": lambda n: "a = [" + ", ".join(str(i) for i in range(n)) + "]",
    "dotted keys, one parent": lambda n: "\n".join(f"p.k{i} = {i}" for i in range(n)),
    "references to one target": lambda n: "t = {x = 1}\n" + "\n".join(f"r{i} = ${{t}}" for i in range(n)),
}


def bench_scaling(runs):
    print("3. scaling, 20,000 -> 200,000 (linear is x10), median of", runs)
    for name, make in SCALING.items():
        small, large = make(20_000), make(200_000)
        t = {}
        for label, text in (("small", small), ("large", large)):
            t[label] = median_time(parse, text, runs)
        print(f"   {name:28s} {t['small'] * 1e3:8.1f} ms -> {t['large'] * 1e3:8.1f} ms  "
              f"x{t['large'] / t['small']:5.1f}")
    # The interpreter's own dicts grow faster than linearly on large inputs
    # (cache misses): json.loads on the same shape, for reference.
    small, large = (json.dumps({f"k{i}": i for i in range(n)}) for n in (20_000, 200_000))
    ts, tl = median_time(json.loads, small, runs), median_time(json.loads, large, runs)
    print(f"   {'(json.loads, keys in one object)':28s} {ts * 1e3:8.1f} ms -> {tl * 1e3:8.1f} ms  "
          f"x{tl / ts:5.1f}")


PEAK = """
import json, sys
from quince_tarragon._native import parse

def hwm_kb():
    for line in open("/proc/self/status"):
        if line.startswith("VmHWM:"):
            return int(line.split()[1])

text = open(sys.argv[2]).read()
fn = parse if sys.argv[1] == "parse" else json.loads
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
    for name in ("parse", "json.loads"):
        out = subprocess.run([sys.executable, "-c", PEAK, name, str(path)],
                             capture_output=True, text=True, check=True).stdout.split()
        peak[name] = (int(out[1]) - int(out[0])) / 1024
    path.unlink()
    print("4. peak memory growth during one call (RSS high-water mark) on document 1:")
    print(f"   parse {peak['parse']:.0f} MB, json.loads {peak['json.loads']:.0f} MB, "
          f"ratio {peak['parse'] / peak['json.loads']:.2f}")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--quick", action="store_true", help="smaller inputs, fewer runs")
    args = ap.parse_args()
    runs = 5 if args.quick else 11
    mb = 2 if args.quick else 8
    text = bench_json(mb, runs)
    bench_corpus(mb / 4, runs)
    bench_scaling(7)
    bench_memory(text)


if __name__ == "__main__":
    main()
