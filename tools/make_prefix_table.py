#!/usr/bin/env python3
"""Builds the country prefix table "Continents_DXCC.csv" from the country-files data.

Input: cty.csv of Debian's hamradio-files package (country-files data by Jim Reisert AD1C,
MIT licence), one line per entity:

    primary prefix, name, DXCC number, continent, CQ zone, ITU zone, lat, lon, UTC offset,
    prefixes and exact calls separated by blanks, ended by ";"

Output: one line per prefix, "prefix;country name;code;continent", Windows-1252, CR LF.
The program tries the lines in file order and takes the first whose prefix begins the call
sign, so every prefix is written before each shorter prefix it begins with.

Choices made here:
- The code of an entity is its primary prefix (at most 5 characters, "F", "3D2/c", "VP8/h").
- Entities marked "*" count only for the Worked All Europe award (Sicily, Shetland, African
  Italy...): their prefixes go to the DXCC entity of the same number (Italy, Scotland...).
- Zone modifiers "(cq)" and "[itu]", positions "<lat/lon>" and offsets "~tz~" are dropped;
  a continent override "{XX}" gives the line its own continent.
- Exact calls ("=CALL") are written as prefixes only when they change the answer the plain
  prefixes would give, and only when they hold a "/" or are at least 5 characters long:
  short calls such as 1x2 or 2x1 begin many other stations' calls, which they would capture.
  Measured on MASTER.SCP, this keeps the answers closest to the exact-call rule.
- A prefix given twice keeps its first entity (the later one could never be reached).

Second output: src/core/countries/PrefixDxccTable.cpp, the ADIF DXCC entity number of every code the
table uses (cty.csv's third column), sorted by code for a binary search, so that an ADIF record
can carry the DXCC entity of the station worked. The table file keeps its four fields: users'
own tables and earlier readers rely on them.

Usage: make_prefix_table.py [cty.csv] [output] [codes]   (defaults: the Debian path, data/...,
                                                          src/core/countries/PrefixDxccTable.cpp)
       make_prefix_table.py --check [cty.csv] [output] [codes]   exit 1 if either output is
                                                                  not up to date
"""

import re
import sys
from pathlib import Path

DEFAULT_SOURCE = "/usr/share/hamradio-files/cty.csv"
ROOT = Path(__file__).resolve().parent.parent
DEFAULT_OUTPUT = ROOT / "data" / "Continents_DXCC.csv"
DEFAULT_CODES = ROOT / "src" / "core" / "countries" / "PrefixDxccTable.cpp"
MODIFIERS = re.compile(r"\([^)]*\)|\[[^\]]*\]|<[^>]*>|~[^~]*~")
CONTINENT = re.compile(r"\{([A-Z]{2})\}")
SHORTEST_EXACT = 5


def read_entities(text):
    entities = []
    for raw in text.splitlines():
        line = raw.strip()
        if not line:
            continue
        fields = line.split(",", 9)
        if len(fields) != 10:
            raise ValueError("ligne illisible dans cty.csv : " + line[:60])
        primary, name, number, continent = fields[0], fields[1], fields[2], fields[3]
        entities.append(
            {
                "wae_only": primary.startswith("*"),
                "code": primary.lstrip("*"),
                "name": name.strip(),
                "number": number.strip(),
                "continent": continent.strip(),
                "tokens": fields[9].strip().rstrip(";").split(),
            }
        )
    return entities


def parse_token(token, continent):
    exact = token.startswith("=")
    body = token.lstrip("=")
    override = CONTINENT.search(body)
    body = CONTINENT.sub("", MODIFIERS.sub("", body))
    return body, exact, override.group(1) if override else continent


def first_match(call, table):
    """The entity of the longest prefix of `call` in `table` (prefix -> value)."""
    for n in range(len(call), 0, -1):
        hit = table.get(call[:n])
        if hit is not None:
            return hit
    return None


def build_rows(entities):
    by_number = {e["number"]: e for e in entities if not e["wae_only"]}
    plain = {}  # prefix -> (code, name, continent)
    exact = {}
    for e in entities:
        owner = by_number.get(e["number"], e) if e["wae_only"] else e
        for token in e["tokens"]:
            body, is_exact, continent = parse_token(token, owner["continent"])
            if not body:
                continue
            value = (owner["code"], owner["name"], continent, owner["number"])
            (exact if is_exact else plain).setdefault(body, value)

    rows = dict(plain)
    for call, value in exact.items():
        if call in rows:
            continue
        if "/" not in call and len(call) < SHORTEST_EXACT:
            continue
        if first_match(call, plain) != value:
            rows[call] = value
    return rows


def table_order(prefix):
    # Alphabetical, except that a prefix comes after every longer prefix it begins with:
    # an end mark above any character of a call sign does that.
    return prefix + "\uffff"


def render(rows):
    out = []
    for prefix in sorted(rows, key=table_order):
        code, name, continent, _ = rows[prefix]
        for field in (prefix, name, code, continent):
            if ";" in field:
                raise ValueError("champ avec ';' : " + field)
        if len(code) > 5:
            raise ValueError("code de plus de 5 caractères : " + code)
        out.append(f"{prefix};{name};{code};{continent}\r\n")
    return "".join(out).encode("cp1252")


def render_codes(rows, source_name):
    numbers = {}
    for code, _, _, number in rows.values():
        if not number.isdigit():
            raise ValueError("numéro DXCC illisible pour " + code + " : " + number)
        if numbers.setdefault(code, int(number)) != int(number):
            raise ValueError("code à deux numéros DXCC : " + code)
    out = [
        "// Generated by tools/make_prefix_table.py from %s: the ADIF DXCC entity number" % source_name,
        "// of every country code of data/Continents_DXCC.csv. Do not edit: run the tool again.",
        "// clang-format off",
        "",
        '#include "core/countries/PrefixDxcc.h"',
        "",
        "namespace zep::prefixdxcc {",
        "",
        "const Row rows[] = {",
    ]
    for code in sorted(numbers, key=lambda c: c.encode("ascii")):
        out.append('    {"%s", %d},' % (code, numbers[code]))
    out.append("};")
    out.append("const int rowCount = %d;" % len(numbers))
    out.append("")
    out.append("} // namespace zep::prefixdxcc")
    return ("\n".join(out) + "\n").encode("ascii")


def main(argv):
    check = "--check" in argv
    args = [a for a in argv if a != "--check"]
    source = Path(args[0]) if len(args) > 0 else Path(DEFAULT_SOURCE)
    output = Path(args[1]) if len(args) > 1 else DEFAULT_OUTPUT
    codes_output = Path(args[2]) if len(args) > 2 else DEFAULT_CODES
    rows = build_rows(read_entities(source.read_text(encoding="cp1252")))
    table = render(rows)
    codes = render_codes(rows, source.name)
    if check:
        stale = [str(path) for path, content in ((output, table), (codes_output, codes))
                 if not path.exists() or path.read_bytes() != content]
        if stale:
            print(f"{', '.join(stale)} : pas à jour ; relancez {Path(__file__).name}",
                  file=sys.stderr)
            return 1
        return 0
    output.write_bytes(table)
    codes_output.write_bytes(codes)
    lines = table.count(b"\r\n")
    entities = codes.count(b"},\n")
    print(f"{output}: {lines} lignes ; {codes_output}: {entities} codes")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
