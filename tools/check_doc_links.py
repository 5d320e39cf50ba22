#!/usr/bin/env python3
"""Checks the relative links of README.md and docs/*.md: each must name a file or folder of the
tree, and a "#fragment" must name a heading of the Markdown file it points to (GitHub's way of
making a heading's anchor). Exits non-zero and names every broken link.
    tools/check_doc_links.py [ROOT]"""
import pathlib
import re
import sys

root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent)
link = re.compile(r"\]\(([^)\s]+)(?:\s+\"[^\"]*\")?\)")
heading = re.compile(r"^#{1,6}\s+(.*?)\s*#*\s*$")


def anchors(md: pathlib.Path) -> set:
    """The anchors GitHub gives the headings of a Markdown file."""
    found, seen, fenced = set(), {}, False
    for line in md.read_text(encoding="utf-8").splitlines():
        if line.startswith("```"):
            fenced = not fenced
        m = None if fenced else heading.match(line)
        if not m:
            continue
        text = re.sub(r"[`*]", "", m.group(1)).strip().lower()
        slug = re.sub(r"[^\w\- ]", "", text).replace(" ", "-")
        n = seen.get(slug, 0)
        seen[slug] = n + 1
        found.add(slug if n == 0 else f"{slug}-{n}")
    return found


def broken_links(md: pathlib.Path) -> list:
    bad = []
    text = md.read_text(encoding="utf-8")
    for target in link.findall(text):
        if re.match(r"^[a-z]+:", target):
            continue  # http:, https:, mailto:
        path, _, fragment = target.partition("#")
        dest = (md.parent / path).resolve() if path else md
        if not dest.exists():
            bad.append(f"{md.relative_to(root)}: {target}: no such file")
        elif fragment and dest.suffix == ".md" and fragment not in anchors(dest):
            bad.append(f"{md.relative_to(root)}: {target}: no such heading")
    return bad


files = [root / "README.md", *sorted((root / "docs").glob("*.md"))]
problems = [p for f in files for p in broken_links(f)]
for p in problems:
    print(p, file=sys.stderr)
print(f"{len(files)} files checked, {len(problems)} broken links")
sys.exit(1 if problems else 0)
