#!/usr/bin/env python3
"""Checks the links of the README and of the pages under docs/.

Every relative link and image of a page must name a file or folder that exists, an anchor after
'#' one of the headings of the page it names (as the anchor GitHub makes of it), and every page
under docs/ must be reachable from the README through such links. Links to other sites are not
followed.

Usage: check_links.py <source root>. Prints every broken link and every page no link reaches, and
exits 1 when there is one.
"""
import re
import sys
from pathlib import Path

# [text](target) and ![alt](target), the target up to a blank or the closing parenthesis.
LINK = re.compile(r"!?\[[^\]]*\]\(\s*<?([^)\s>]+)>?(?:\s+\"[^\"]*\")?\s*\)")
FENCE = re.compile(r"^(```|~~~).*?^\1", re.MULTILINE | re.DOTALL)
EXTERNAL = re.compile(r"^[a-z][a-z0-9+.-]*:", re.IGNORECASE)
HEADING = re.compile(r"^#{1,6}\s+(.*?)\s*#*\s*$", re.MULTILINE)


def anchors(page: Path):
    """The anchors of the page's headings: lower case, blanks as hyphens, punctuation dropped."""
    text = FENCE.sub("", page.read_text(encoding="utf-8"))
    out = set()
    for heading in HEADING.findall(text):
        heading = re.sub(r"[`*_]", "", heading).lower()
        out.add(re.sub(r"[^\w\- ]", "", heading).replace(" ", "-"))
    return out


def links(page: Path):
    text = FENCE.sub("", page.read_text(encoding="utf-8"))
    for target in LINK.findall(text):
        if EXTERNAL.match(target):
            continue
        yield page.name + target if target.startswith("#") else target


def check(root: Path):
    problems = []
    pages = [root / "README.md"] + sorted((root / "docs").rglob("*.md"))
    reached = {(root / "README.md").resolve()}
    todo = [root / "README.md"]
    linked = {}
    for page in pages:
        linked[page.resolve()] = []
        for target in links(page):
            file, _, anchor = target.partition("#")
            path = (page.parent / file).resolve()
            if not path.exists():
                problems.append(f"{page.relative_to(root)}: the link \"{target}\" names nothing")
            elif path.suffix == ".md":
                linked[page.resolve()].append(path)
                if anchor and anchor not in anchors(path):
                    problems.append(f"{page.relative_to(root)}: the link \"{target}\" names no "
                                    "heading of its page")
    while todo:
        for path in linked.get(todo.pop().resolve(), []):
            if path not in reached:
                reached.add(path)
                todo.append(path)
    for page in pages:
        if page.resolve() not in reached:
            problems.append(f"{page.relative_to(root)}: no link from the README reaches it")
    return problems


def main(argv):
    if len(argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    problems = check(Path(argv[1]))
    for line in problems:
        print(line)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
