"""Shared by the test modules."""


def typed(v):
    # dict equality ignores order and 1 == 1.0 == True; compare types, reprs and key order
    if isinstance(v, dict):
        return ("dict", [(k, typed(x)) for k, x in v.items()])
    if isinstance(v, list):
        return ("list", [typed(x) for x in v])
    return (type(v).__name__, repr(v))


CHILD_PRELUDE = """
import resource, sys
limit = {limit}
if limit:
    resource.setrlimit(resource.RLIMIT_AS, (limit << 20, limit << 20))
"""


def run_child(code, stdin="", limit_mb=0, timeout=120):
    """Runs code in a fresh interpreter that imports this package (with its
    address space capped at limit_mb when given), so that a crash or a
    runaway fails one test instead of the run. Returns the CompletedProcess."""
    import os
    import subprocess
    import sys

    import quince_tarragon

    pkg_root = os.path.dirname(os.path.dirname(quince_tarragon.__file__))
    env = dict(os.environ, PYTHONPATH=pkg_root)
    if "libasan" in env.get("LD_PRELOAD", ""):
        limit_mb = 0  # the sanitizer reserves terabytes of address space up front
    return subprocess.run([sys.executable, "-c", CHILD_PRELUDE.format(limit=limit_mb) + code],
                          input=stdin, text=True, env=env, capture_output=True, timeout=timeout)
