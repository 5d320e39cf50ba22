#!/usr/bin/env python3
"""Checks that every include points down the layers.

- src/core/<room>/: only its own room and the rooms its line of src/core/README.md allows; never
  a window, never src/platform. Every core file lives in a room.
- src/platform/: only core and itself.
- a window folder of src/ (a zep_layer of src/CMakeLists.txt): itself, core, and the libraries it
  links, directly or through them.
- poste/ and voix/, the helper programs: only core/io and core/station.
- tests/core/<room>/: any room of core and the test support (tests/core/log also the platform,
  whose QSO list follows the log); never a window.
- tests/<library>/: what src/<library> may include, and the test support; the subsystems' tests
  also the entry window, which they put together with the subsystem as the program does.
- app/: any library.
- The entry window is a room with a door: outside src/entry, only app/ and the tests include
  its headers, and no header outside src/entry and the entry window's own test fixture
  includes entry/Saisie_QSO.h.

Usage: check_layers.py [source root]. Prints each include that climbs, and exits 1 if any does.
"""
import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z]+)/(?:([a-z]+)/)?[^"]*"', re.M)
ENTRY_WINDOW = re.compile(r'^\s*#\s*include\s+"entry/Saisie_QSO\.h"', re.M)

# Libraries whose tests link the entry window besides their own (tests/CMakeLists.txt).
TESTS_WITH_ENTRY = {"reports", "exchange", "labels", "help", "cluster", "backup", "summary",
                    "digital"}
# Core rooms whose tests link a window library (tests/CMakeLists.txt).
CORE_TESTS_EXTRA = {"log": {"platform"}}
# The headers outside src/entry that may include the entry window itself.
ENTRY_WINDOW_HEADERS = {"tests/entry/EntryWindowFixture.h"}


def core_rooms(root):
    rooms = {}
    readme = (root / "src/core/README.md").read_text(encoding="utf-8")
    for line in readme.splitlines():
        cells = [c.strip() for c in line.strip().strip("|").split("|")]
        if len(cells) == 3 and re.fullmatch(r"`[a-z]+`", cells[0]):
            rooms[cells[0].strip("`")] = set(re.findall(r"`([a-z]+)`", cells[2]))
    return rooms


def window_links(root):
    text = (root / "src/CMakeLists.txt").read_text(encoding="utf-8")
    links = {}
    for m in re.finditer(r"zep_layer\(zep_(\w+)\s+(\w+)([^)]*)\)", text):
        links[m.group(2)] = set(re.findall(r"\bzep_(\w+)", m.group(3)))
    closed = {}
    for family in links:
        seen, todo = set(), [family]
        while todo:
            for dep in links.get(todo.pop(), ()):
                if dep not in seen:
                    seen.add(dep)
                    todo.append(dep)
        closed[family] = seen | {family}
    return closed


def sources(folder):
    return sorted(p for p in folder.rglob("*") if p.suffix in (".h", ".cpp"))


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    rooms = core_rooms(root)
    families = window_links(root)
    faults = []
    if not rooms:
        faults.append("src/core/README.md: no room found in its table")

    def check(path, allowed):
        for m in INCLUDE.finditer(path.read_text(encoding="utf-8", errors="replace")):
            top, sub = m.group(1), m.group(2)
            target = f"{top}/{sub}" if top == "core" and sub else top
            if target not in allowed:
                faults.append(f"{path.relative_to(root)}: includes {m.group(0).strip()}")

    for path in sources(root / "src/core"):
        parts = path.relative_to(root / "src/core").parts
        if len(parts) != 2 or parts[0] not in rooms:
            faults.append(f"{path.relative_to(root)}: outside the rooms of src/core/README.md")
            continue
        check(path, {f"core/{r}" for r in rooms[parts[0]] | {parts[0]}})

    every_room = {f"core/{r}" for r in rooms}
    for family, linked in families.items():
        if family == "core":
            continue
        allowed = every_room | {f for f in linked if f != "core"} | {family}
        for path in sources(root / "src" / family):
            check(path, allowed)
    for helper in ("poste", "voix"):
        for path in sources(root / helper):
            check(path, {"core/io", "core/station"})

    support = {"support"}
    for path in sources(root / "tests/core"):
        room = path.relative_to(root / "tests/core").parts[0]
        check(path, every_room | support | CORE_TESTS_EXTRA.get(room, set()))
    for family, linked in families.items():
        if family == "core" or not (root / "tests" / family).is_dir():
            continue
        allowed = every_room | {f for f in linked if f != "core"} | {family} | support
        if family in TESTS_WITH_ENTRY:
            allowed |= families.get("entry", set()) - {"core"}
        for path in sources(root / "tests" / family):
            check(path, allowed)
    every_library = every_room | {f for f in families if f != "core"}
    for path in sources(root / "app"):
        check(path, every_library)

    # The door of the entry window: no header outside it shows its widgets to a reader.
    for folder in ("src", "app", "tests", "bench"):
        for path in sources(root / folder):
            rel = path.relative_to(root).as_posix()
            if path.suffix != ".h" or rel.startswith("src/entry/") or rel in ENTRY_WINDOW_HEADERS:
                continue
            if ENTRY_WINDOW.search(path.read_text(encoding="utf-8", errors="replace")):
                faults.append(f"{rel}: a header outside the entry window includes entry/Saisie_QSO.h")

    for fault in faults:
        print(fault)
    print(f"{len(rooms)} rooms, {len(families)} libraries, {len(faults)} includes that climb")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
