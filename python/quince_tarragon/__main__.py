"""Command line: print a HOCON configuration as JSON."""

from __future__ import annotations

import argparse
import json
import os
import sys

from quince_tarragon import ConfigTree, parse_file, parse_string


def _parser() -> argparse.ArgumentParser:
    ap = argparse.ArgumentParser(
        prog="quince-tarragon",
        description=(
            "Parse a HOCON configuration (substitutions resolved, includes spliced in) "
            "and print it as JSON on standard output. On failure, print one line "
            "'error: <exception>: <message>' on standard error and exit with status 1."
        ),
    )
    ap.add_argument(
        "file", nargs="?", default="-",
        help='the file to read; "-" (the default) reads standard input',
    )
    ap.add_argument(
        "--base", metavar="DIR",
        help="directory for relative includes (default: the file's own directory, "
        "or the current directory for standard input)",
    )
    ap.add_argument(
        "--indent", metavar="N", type=int, default=2,
        help="indentation of the JSON output (default: 2)",
    )
    return ap


def _load(file: str, base: str | None) -> ConfigTree:
    if file == "-":
        return parse_string(sys.stdin.read(), base)
    if base is None:
        return parse_file(file)
    with open(file, encoding="utf-8") as f:
        return parse_string(f.read(), base)


def main(argv: list[str] | None = None) -> int:
    args = _parser().parse_args(argv)
    try:
        conf = _load(args.file, args.base)
    except Exception as e:  # every failure is one line, never a traceback
        message = str(e).replace("\n", "\\n")
        print(f"error: {type(e).__name__}: {message}", file=sys.stderr)
        return 1
    try:
        json.dump(conf, sys.stdout, indent=args.indent, ensure_ascii=False)
        sys.stdout.write("\n")
        sys.stdout.flush()
    except BrokenPipeError:
        # The reader went away (`| head`): not worth a traceback. Point
        # stdout at /dev/null so that the interpreter's final flush is quiet.
        os.dup2(os.open(os.devnull, os.O_WRONLY), sys.stdout.fileno())
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
