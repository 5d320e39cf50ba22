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

Usage: make_prefix_table.py [cty.csv] [output]   (defaults: the Debian path, data/...)
       make_prefix_table.py --check [cty.csv] [output]   exit 1 if output is not up to date
"""

import re
import sys
from pathlib import Path

DEFAULT_SOURCE = "/usr/share/hamradio-files/cty.csv"
DEFAULT_OUTPUT = Path(__file__).resolve().parent.parent / "data" / "Continents_DXCC.csv"
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
            value = (owner["code"], owner["name"], continent)
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
        code, name, continent = rows[prefix]
        for field in (prefix, name, code, continent):
            if ";" in field:
                raise ValueError("champ avec ';' : " + field)
        if len(code) > 5:
            raise ValueError("code de plus de 5 caractères : " + code)
        out.append(f"{prefix};{name};{code};{continent}\r\n")
    return "".join(out).encode("cp1252")


def main(argv):
    check = "--check" in argv
    args = [a for a in argv if a != "--check"]
    source = Path(args[0]) if len(args) > 0 else Path(DEFAULT_SOURCE)
    output = Path(args[1]) if len(args) > 1 else DEFAULT_OUTPUT
    table = render(build_rows(read_entities(source.read_text(encoding="cp1252"))))
    if check:
        if not output.exists() or output.read_bytes() != table:
            print(f"{output} n'est pas à jour ; relancez {Path(__file__).name}", file=sys.stderr)
            return 1
        return 0
    output.write_bytes(table)
    lines = table.count(b"\r\n")
    print(f"{output}: {lines} lignes")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
