#!/usr/bin/env python3
"""Generate src/model/unicode_tables.cpp from the Unicode Character Database.

Usage: gen_unicode_tables.py [--ucd DIR] [--out FILE]

DIR must contain UnicodeData.txt, PropList.txt and DerivedCoreProperties.txt
(Debian's unicode-data package installs them in /usr/share/unicode).  The
output depends only on those files, so regenerating from the same UCD
release gives a byte-identical result.
"""

import argparse
import re
import sys
from pathlib import Path

MAX_CODE_POINT = 0x10FFFF

REPO_ROOT = Path(__file__).resolve().parent.parent
DEFAULT_UCD = Path("/usr/share/unicode")
DEFAULT_OUT = REPO_ROOT / "src" / "model" / "unicode_tables.cpp"

# Categories that never render as a visible glyph of their own.  Zs is
# handled separately because U+0020 must stay printable: it is the one space
# that cannot be confused with anything else when a string is shown unquoted.
NON_PRINTABLE_CATEGORIES = {"Cc", "Cf", "Cs", "Co", "Cn", "Zl", "Zp"}

VERSION_LINE = re.compile(r"^#\s*([A-Za-z]+)-(\d+\.\d+\.\d+)\.txt\s*$")


def fail(message):
    sys.exit(f"gen_unicode_tables: {message}")


def read_lines(path):
    try:
        return path.read_text(encoding="utf-8").splitlines()
    except OSError as exc:
        fail(f"cannot read {path}: {exc}")


def file_version(path, lines):
    for line in lines[:5]:
        match = VERSION_LINE.match(line)
        if match:
            return match.group(2)
    fail(f"{path}: no version line like '# {path.stem}-X.Y.Z.txt' at the top")


def parse_code_points(field, path):
    first, sep, last = field.strip().partition("..")
    try:
        lo = int(first, 16)
        hi = int(last, 16) if sep else lo
    except ValueError:
        fail(f"{path}: bad code point field {field!r}")
    if not 0 <= lo <= hi <= MAX_CODE_POINT:
        fail(f"{path}: bad code point range {field!r}")
    return lo, hi


def read_property(path, lines, name):
    """Return the code points carrying binary property `name`."""
    points = set()
    for line in lines:
        data = line.split("#", 1)[0].strip()
        if not data:
            continue
        fields = [f.strip() for f in data.split(";")]
        if len(fields) < 2 or fields[1] != name:
            continue
        lo, hi = parse_code_points(fields[0], path)
        points.update(range(lo, hi + 1))
    if not points:
        fail(f"{path}: property {name} not found")
    return points


def read_categories(path, lines):
    """Return a list mapping every code point to its general category.

    Large blocks (CJK ideographs, Hangul, private use, surrogates...) are
    listed only by their endpoints, as '<Name, First>' / '<Name, Last>'
    pairs; code points not mentioned at all are unassigned (Cn).
    """
    categories = ["Cn"] * (MAX_CODE_POINT + 1)
    pending_first = None
    for number, line in enumerate(lines, 1):
        if not line.strip():
            continue
        fields = line.split(";")
        if len(fields) < 3:
            fail(f"{path}:{number}: too few fields")
        cp, _ = parse_code_points(fields[0], path)
        name, category = fields[1], fields[2]
        if pending_first is not None:
            first_cp, first_category = pending_first
            if not name.endswith(", Last>") or category != first_category:
                fail(f"{path}:{number}: unterminated range starting at {first_cp:04X}")
            for c in range(first_cp, cp + 1):
                categories[c] = category
            pending_first = None
        elif name.endswith(", First>"):
            pending_first = (cp, category)
        else:
            categories[cp] = category
    if pending_first is not None:
        fail(f"{path}: unterminated range at end of file")
    return categories


def to_ranges(points):
    ranges = []
    for c in sorted(points):
        if ranges and ranges[-1][1] + 1 == c:
            ranges[-1][1] = c
        else:
            ranges.append([c, c])
    return [tuple(r) for r in ranges]


def format_table(name, ranges):
    entries = [f"{{0x{lo:04X}, 0x{hi:04X}}}," for lo, hi in ranges]
    lines = []
    current = "   "
    for entry in entries:
        if len(current) + 1 + len(entry) > 80:
            lines.append(current)
            current = "   "
        current += " " + entry
    lines.append(current)
    body = "\n".join(lines)
    return (f"// {len(ranges)} ranges\n"
            f"static constexpr Range {name}[] = {{\n{body}\n}};\n"
            f"static_assert(well_formed({name}));\n")


def generate(ucd):
    unicode_data = ucd / "UnicodeData.txt"
    prop_list = ucd / "PropList.txt"
    derived = ucd / "DerivedCoreProperties.txt"

    prop_lines = read_lines(prop_list)
    derived_lines = read_lines(derived)
    data_lines = read_lines(unicode_data)

    # UnicodeData.txt carries no version line; the property files do, and the
    # three always ship together.
    version = file_version(prop_list, prop_lines)
    if file_version(derived, derived_lines) != version:
        fail(f"{prop_list} and {derived} come from different Unicode versions")

    white_space = to_ranges(read_property(prop_list, prop_lines, "White_Space"))
    grapheme_extend = to_ranges(
        read_property(derived, derived_lines, "Grapheme_Extend"))
    categories = read_categories(unicode_data, data_lines)
    non_printable = to_ranges(
        c for c, cat in enumerate(categories)
        if cat in NON_PRINTABLE_CATEGORIES or (cat == "Zs" and c != 0x20))

    return f"""\
// Generated by tools/gen_unicode_tables.py from the Unicode Character Database,
// version {version}.  Do not edit by hand: rerun the script instead.

#include "unicode.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>

namespace quince::unicode {{
namespace {{

struct Range {{
    std::uint32_t first;
    std::uint32_t last;
}};

// The lookup relies on ranges being sorted, disjoint and non-adjacent.
template <std::size_t N>
constexpr bool well_formed(const Range (&table)[N]) {{
    for (std::size_t i = 0; i < N; ++i) {{
        if (table[i].first > table[i].last) return false;
        if (i > 0 && table[i - 1].last + 1 >= table[i].first) return false;
    }}
    return true;
}}

{format_table("white_space_ranges", white_space)}
// Stored as the complement because the non-printable code points form far
// fewer ranges than the printable ones.
{format_table("non_printable_ranges", non_printable)}
{format_table("grapheme_extend_ranges", grapheme_extend)}
template <std::size_t N>
bool in_table(const Range (&table)[N], char32_t c) noexcept {{
    const auto cp = static_cast<std::uint32_t>(c);
    const Range* it = std::lower_bound(
        std::begin(table), std::end(table), cp,
        [](const Range& r, std::uint32_t value) {{ return r.last < value; }});
    return it != std::end(table) && it->first <= cp;
}}

}}  // namespace

namespace detail {{

bool is_white_space_table(char32_t c) noexcept {{
    return in_table(white_space_ranges, c);
}}

}}  // namespace detail

bool is_printable(char32_t c) noexcept {{
    if (c < 0x80) return c >= 0x20 && c < 0x7F;
    if (c > 0x{MAX_CODE_POINT:X}) return false;
    return !in_table(non_printable_ranges, c);
}}

bool is_grapheme_extend(char32_t c) noexcept {{
    return in_table(grapheme_extend_ranges, c);
}}

}}  // namespace quince::unicode
"""


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--ucd", type=Path, default=DEFAULT_UCD,
                        help=f"UCD directory (default: {DEFAULT_UCD})")
    parser.add_argument("--out", type=Path, default=DEFAULT_OUT,
                        help="output file (default: src/model/unicode_tables.cpp)")
    args = parser.parse_args()

    text = generate(args.ucd)
    args.out.parent.mkdir(parents=True, exist_ok=True)
    with open(args.out, "w", encoding="utf-8", newline="\n") as out:
        out.write(text)


if __name__ == "__main__":
    main()
