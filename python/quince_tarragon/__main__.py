"""Command line: print a HOCON configuration as JSON, HOCON or properties."""

from __future__ import annotations

import argparse
import os
import sys

from quince_tarragon import ConfigTree, Format, __version__, dumps, parse_string
from quince_tarragon import _read_text


def _parser() -> argparse.ArgumentParser:
    ap = argparse.ArgumentParser(
        prog="quince-tarragon",
        description=(
            "Parse a HOCON configuration (substitutions resolved, includes spliced in) "
            "and print it on standard output, as JSON by default. On failure, print one line "
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
        "--format", choices=["json", "hocon", "properties"], default="json",
        help="the output format (default: json)",
    )
    ap.add_argument(
        "--indent", metavar="N", type=int, default=2,
        help="spaces per level of the output (default: 2); 0 prints one line",
    )
    ap.add_argument("--version", action="version", version=f"%(prog)s {__version__}")
    return ap


def _load(file: str, base: str | None) -> ConfigTree:
    if file == "-":
        return parse_string(sys.stdin.buffer.read().decode("utf-8"), base)
    text = _read_text(file, "utf-8")
    return parse_string(text, os.path.dirname(file) if base is None else base)


def _render(conf: ConfigTree, format: Format, indent: int) -> bytes:
    """The whole output, built before anything is written: a failure (a
    value the format cannot hold, such as inf in JSON) then leaves standard
    output untouched."""
    return (dumps(conf, format, indent) + "\n").encode()


def _fail(e: BaseException) -> int:
    message = str(e).replace("\n", "\\n")
    line = f"error: {type(e).__name__}: {message}\n"
    err = sys.stderr
    if err is not None:
        try:
            # Whatever the terminal's encoding, the line gets through.
            data = line.encode(err.encoding or "utf-8", "backslashreplace")
            err.flush()
            err.buffer.write(data)
            err.flush()
        except (OSError, ValueError, AttributeError):
            pass
    return 1


def _write(data: bytes) -> None:
    out = sys.stdout
    if out is None:
        raise OSError("standard output is closed")
    try:
        out.flush()
        fd = out.fileno()
        # os.write reports every failure; a buffered write may return short
        # after a closed pipe without saying so.
        view = memoryview(data)
        while view:
            view = view[os.write(fd, view):]
    except BaseException:
        # What is still buffered would fail again when the interpreter
        # flushes at exit; let it go to /dev/null instead.
        try:
            os.dup2(os.open(os.devnull, os.O_WRONLY), out.fileno())
        except (OSError, ValueError):
            pass
        raise


def main(argv: list[str] | None = None) -> int:
    args = _parser().parse_args(argv)
    try:
        conf = _load(args.file, args.base)
        data = _render(conf, args.format, args.indent)
    except Exception as e:  # every failure is one line, never a traceback
        return _fail(e)
    try:
        _write(data)
    except BrokenPipeError:
        return 1  # the reader went away (`| head`): not worth a word
    except OSError as e:
        return _fail(e)
    return 0


if __name__ == "__main__":
    sys.exit(main())
