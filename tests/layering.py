#!/usr/bin/env python3
"""Checks the shape of the game's code: the folders form a stack, no modules include each
other, SDL key codes stay in the SDL edge, and the mixer is plain scalar code.

    layering.py <source folder>

Prints every breach and exits 1 if there is one."""
import pathlib
import re
import sys

# Lower folders never include higher ones; folders on one level do not include each other.
# The browser's edge stands on app, whose shell and loop it runs.
LEVELS = {"platform": 0, "display": 1, "audio": 1, "scene": 2, "match": 3, "computer": 4, "net": 4,
          "app": 5, "browser": 6}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z_]+)/([a-z_0-9]+)\.h"', re.M)
VECTOR_CODE = re.compile(r"vector_size|__builtin_(shuffle|convert)vector|[a-z]mmintrin|__m128|_mm_")

root = pathlib.Path(sys.argv[1])
faults = []
uses = {}  # module -> modules whose headers it includes
for path in sorted(p for folder in LEVELS for p in (root / folder).glob("*.[ch]*")):
    folder, text = path.parent.name, path.read_text()
    # An edge file belongs to the module whose header it implements: present_gl.cpp to present.
    module = (folder, re.sub(r"_(sdl|gl|enet|nats|web)$", "", path.stem))
    for target_folder, target in INCLUDE.findall(text):
        if target_folder not in LEVELS:
            continue
        level, target_level = LEVELS[folder], LEVELS[target_folder]
        if target_level > level or (target_level == level and target_folder != folder):
            faults.append(f"{path.relative_to(root)} includes {target_folder}/{target}.h")
        if (target_folder, target) != module:
            uses.setdefault(module, set()).add((target_folder, target))
    if "SDLK_" in text and not path.name.endswith("_sdl.cpp"):
        faults.append(f"{path.relative_to(root)} names SDL key codes outside the SDL edge")
    if folder == "audio" and VECTOR_CODE.search(text):
        faults.append(f"{path.relative_to(root)} holds vector or SSE code")


def path_back(start, module, seen):
    """A chain of includes from module back to start, or None."""
    for used in sorted(uses.get(module, ())):
        if used == start:
            return [module, used]
        if used not in seen:
            seen.add(used)
            rest = path_back(start, used, seen)
            if rest:
                return [module] + rest
    return None


for module in sorted(uses):
    cycle = path_back(module, module, set())
    if cycle:
        faults.append("modules include each other: " + " -> ".join("/".join(m) for m in cycle))

print("\n".join(faults) or "the code keeps its shape")
sys.exit(1 if faults else 0)
