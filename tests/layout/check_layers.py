#!/usr/bin/env python3
"""Keeps the includes of the source tree pointing down the layer list.

A file of src/core/<layer> may include its own folder and any layer on a lower level; a layer
on the same level (link and modbus; editors, exchange and monitor; ui and port) is as far out of
reach as one above. The programs sit on top: src/core includes nothing of src/gui, src/cli,
src/sim or src/print, and src/cli and src/print include nothing of src/gui.

Usage: check_layers.py <source root>. Prints every include that points the wrong way and exits 1
when there is one; with --count it prints only their number (the waiting ones included) and exits
0. check_layers.py --self-test runs the checker over a small tree of its own.
"""
import re
import sys
from pathlib import Path

# The core's layers, lowest first; the names on one line share a level.
LEVELS = [
    ["text"],
    ["ui", "port"],
    ["settings"],
    ["link", "modbus"],
    ["config"],
    ["database"],
    ["editors", "exchange", "monitor"],
    ["check"],
    ["app"],
]
LEVEL = {name: i for i, names in enumerate(LEVELS) for name in names}

# What a program folder of src/ must never include (folders of src/).
FORBIDDEN = {
    "core": {"gui", "cli", "sim", "print"},
    "cli": {"gui"},
    "print": {"gui", "cli", "sim"},
}

# Includes that still point the wrong way, each waiting for a move that is due. One that no longer
# occurs is reported as well, so that this list only shrinks. None waits now.
WAITING: set = set()

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.MULTILINE)
SOURCES = {".h", ".hpp", ".cpp", ".cc"}


def wrong_includes(src: Path):
    """Yields (file, included, why) for every include that breaks the order."""
    for path in sorted(src.rglob("*")):
        if path.suffix not in SOURCES or not path.is_file():
            continue
        rel = path.relative_to(src).parts
        top = rel[0]
        text = path.read_text(encoding="utf-8", errors="replace")
        for included in INCLUDE.findall(text):
            parts = included.split("/")
            if len(parts) < 2:
                continue  # a file of the same folder
            if parts[0] in FORBIDDEN.get(top, ()):
                yield path, included, f"src/{top} includes src/{parts[0]}"
                continue
            if top != "core" or parts[0] != "core" or len(rel) < 3 or len(parts) < 3:
                continue
            own, other = rel[1], parts[1]
            if own == other:
                continue
            if own not in LEVEL:
                yield path, included, f"core/{own} is no layer of the list"
            elif other not in LEVEL:
                yield path, included, f"core/{other} is no layer of the list"
            elif LEVEL[other] >= LEVEL[own]:
                side = "beside" if LEVEL[other] == LEVEL[own] else "above"
                yield path, included, f"core/{other} is {side} core/{own}"


def check(root: Path, waiting=WAITING):
    """The lines to print: the wrong includes not waiting, and the waiting ones not met."""
    found = [(path.relative_to(root).as_posix(), included, why)
             for path, included, why in wrong_includes(root / "src")]
    lines = [f"{path}: includes \"{included}\": {why}"
             for path, included, why in found if (path, included) not in waiting]
    met = {(path, included) for path, included, _ in found}
    lines += [f"{path}: no longer includes \"{included}\": take it off the waiting list"
              for path, included in sorted(waiting - met)]
    return found, lines


def self_test():
    """The checker over a tree with one include of each kind; True when it judges them all."""
    import tempfile
    files = {
        "src/core/text/A.h": '#include "core/text/B.h"\n#include <QString>\n',
        "src/core/link/L.cpp": '#include "core/settings/S.h"\n#include "core/port/P.h"\n',
        "src/core/link/Up.cpp": '#include "core/config/C.h"\n',
        "src/core/modbus/Beside.cpp": '#  include "core/link/L.h"\n',
        "src/core/ui/Seam.h": '#include "core/port/P.h"\n',
        "src/core/app/Top.cpp": '#include "core/check/X.h"\n#include "core/ui/Seam.h"\n',
        "src/core/config/Gui.cpp": '#include "gui/widgets/Grid.h"\n',
        "src/core/fancy/F.cpp": '#include "core/text/A.h"\n',
        "src/cli/Print.cpp": '#include "print/TablePainter.h"\n#include "gui/app/W.h"\n',
        "src/gui/app/W.cpp": '#include "core/app/Top.h"\n#include "cli/Commands.h"\n',
        "src/core/settings/Waits.cpp": '#include "core/link/PortNames.h"\n',
    }
    expected = [
        'src/cli/Print.cpp: includes "gui/app/W.h": src/cli includes src/gui',
        'src/core/config/Gui.cpp: includes "gui/widgets/Grid.h": src/core includes src/gui',
        'src/core/fancy/F.cpp: includes "core/text/A.h": core/fancy is no layer of the list',
        'src/core/link/Up.cpp: includes "core/config/C.h": core/config is above core/link',
        'src/core/modbus/Beside.cpp: includes "core/link/L.h": core/link is beside core/modbus',
        'src/core/ui/Seam.h: includes "core/port/P.h": core/port is beside core/ui',
        'src/core/link/Gone.cpp: no longer includes "core/text/A.h": take it off the waiting list',
    ]
    waiting = {("src/core/settings/Waits.cpp", "core/link/PortNames.h"),
               ("src/core/link/Gone.cpp", "core/text/A.h")}
    with tempfile.TemporaryDirectory() as tmp:
        root = Path(tmp)
        for name, text in files.items():
            (root / name).parent.mkdir(parents=True, exist_ok=True)
            (root / name).write_text(text, encoding="utf-8")
        _, lines = check(root, waiting)
    if lines != expected:
        print("the checker judged:", *lines, "instead of:", *expected, sep="\n  ")
        return False
    return True


def main(argv):
    if "--self-test" in argv:
        return 0 if self_test() else 1
    count_only = "--count" in argv
    args = [a for a in argv[1:] if a != "--count"]
    if len(args) != 1:
        print(__doc__, file=sys.stderr)
        return 2
    found, lines = check(Path(args[0]))
    if count_only:
        print(f"{len(found)} include(s) point the wrong way, "
              f"{sum((p, i) in WAITING for p, i, _ in found)} of them waiting")
        return 0
    for line in lines:
        print(line)
    return 1 if lines else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
