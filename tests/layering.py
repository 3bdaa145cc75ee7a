#!/usr/bin/env python3
"""The floors of the source tree: an include may only point at the same folder or at a folder on
a lower floor, so no two folders include each other. Prints every include that runs up (or
sideways between two folders of one floor) and exits 1 when there is one."""
import os
import re
import sys

FLOORS = {
    "platform": 1,
    "core": 2,
    "widgets": 3,
    "tags": 4,
    "audio": 5,
    "cd": 6,
    "cddb": 7,
    "accuraterip": 7,
    "vorbis": 7,
    "metadata": 7,
    "jobs": 8,
    "record": 9,
    "app": 10,
    "cli": 11,
    "wm8eutil": 2,  # tools/wm8eutil: a program of its own over the platform layer
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z0-9_]+)/')

root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
bad = []
for base in ("src", "tools"):
    for folder, _, files in os.walk(os.path.join(root, base)):
        rel = os.path.relpath(folder, os.path.join(root, base)).split(os.sep)
        own = rel[0]
        if own not in FLOORS:
            continue
        for name in files:
            if not name.endswith((".cpp", ".h")):
                continue
            path = os.path.join(folder, name)
            with open(path, encoding="utf-8") as f:
                for number, line in enumerate(f, 1):
                    m = INCLUDE.match(line)
                    if not m or m.group(1) == own or m.group(1) not in FLOORS:
                        continue
                    target = m.group(1)
                    if FLOORS[target] >= FLOORS[own]:
                        bad.append("%s:%d: %s (floor %d) includes %s (floor %d)" %
                                   (os.path.relpath(path, root), number, own, FLOORS[own], target, FLOORS[target]))
for line in bad:
    print(line)
if bad:
    sys.exit(1)
print("every include points down the floors")
