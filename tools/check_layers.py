#!/usr/bin/env python3
"""Checks that every include points down the layers.

- src/core/<room>/: only its own room and the rooms its line of src/core/README.md allows; never
  a window, never src/platform. Every core file lives in a room.
- src/platform/: only core and itself.
- a window folder of src/ (a zep_layer of src/CMakeLists.txt): itself, core, and the libraries it
  links, directly or through them.
- poste/ and voix/, the helper programs: only core/io and core/station.

Usage: check_layers.py [source root]. Prints each include that climbs, and exits 1 if any does.
"""
import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z]+)/(?:([a-z]+)/)?[^"]*"', re.M)


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

    for fault in faults:
        print(fault)
    print(f"{len(rooms)} rooms, {len(families)} libraries, {len(faults)} includes that climb")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
