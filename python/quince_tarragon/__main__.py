"""Command line: print a HOCON file as JSON.

    python -m quince_tarragon FILE      (FILE may be "-" for standard input)
"""

from __future__ import annotations

import argparse
import json
import os
import sys

from quince_tarragon._native import parse


def main(argv: list[str] | None = None) -> int:
    ap = argparse.ArgumentParser(
        prog="quince-tarragon",
        description="Parse a HOCON file and print it as JSON.",
    )
    ap.add_argument("file", help='the HOCON file to read, or "-" for standard input')
    args = ap.parse_args(argv)
    try:
        if args.file == "-":
            text, base = sys.stdin.read(), None
        else:
            with open(args.file, encoding="utf-8") as f:
                text = f.read()
            base = os.path.dirname(os.path.abspath(args.file))
        result = parse(text, base)
    except Exception as e:  # every failure becomes one line, never a traceback
        print(f"error: {e}", file=sys.stderr)
        return 1
    json.dump(result, sys.stdout, indent=2, ensure_ascii=False)
    sys.stdout.write("\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
