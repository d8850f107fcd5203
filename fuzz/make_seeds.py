"""Collect fuzz seeds: every string literal of the test suite, the example
config, the documents in fuzz/seeds (small forms of inputs that once crashed
or ran away) and the folders named on the command line."""

import ast
import hashlib
import pathlib
import sys

root = pathlib.Path(__file__).resolve().parent.parent
out = pathlib.Path(sys.argv[1])
out.mkdir(parents=True, exist_ok=True)
seeds = set()
for test in (root / "tests").glob("*.py"):
    for node in ast.walk(ast.parse(test.read_text())):
        if isinstance(node, ast.Constant) and isinstance(node.value, str) and node.value:
            seeds.add(node.value.encode("utf-8", "surrogatepass"))
extra = [root / "examples", root / "fuzz" / "seeds"] + [pathlib.Path(p) for p in sys.argv[2:]]
for folder in extra:
    for f in folder.rglob("*"):
        if f.is_file() and f.suffix in (".conf", ".json", ".properties"):
            seeds.add(f.read_bytes())
for s in seeds:
    (out / hashlib.sha1(s).hexdigest()).write_bytes(s)
print(f"{len(seeds)} seeds in {out}")
