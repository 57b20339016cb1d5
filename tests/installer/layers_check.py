#!/usr/bin/env python3
"""The install library's floors: each file may include only headers of its own
floor or the floors below, the library includes nothing of the programs above
it, and no two of its modules include each other in a circle. Given the
library's object files, the same holds for the calls: what each object uses
from another (nm) must be of its own floor or below, without a circle.

python3 layers_check.py ROOT [OBJECT ...]: one line per fault and exit 1, or
the floors and exit 0.
"""
import os
import re
import subprocess
import sys

# Lowest first; a module is a path below install/ without its extension (a
# .cpp and its .h are one). A file on no floor is a fault: a new file takes one.
FLOORS = [
    ("platform", ["platform", "paths", "held", "guard", "keytree", "filterlist"]),
    ("status and log", ["log", "completion/registry", "status"]),
    ("journal and system DLLs", ["journal", "sysdlls"]),
    ("install services", ["install"]),
    ("engine", ["upgrade", "registry", "restartops", "ownership"]),
    ("run control", ["library", "winmain", "instance", "program"]),
]
PROGRAMS = ("Halvinst", "Halvunin")  # above the library: it never includes them

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def sources(library):
    for folder, _, files in os.walk(library):
        for name in sorted(files):
            if name.endswith((".cpp", ".h")):
                path = os.path.join(folder, name)
                yield path, os.path.splitext(os.path.relpath(path, library))[0].replace(os.sep, "/")


def resolve(library, including, target):
    """The file an include names: beside the including file, else in install/."""
    for base in (os.path.dirname(including), library):
        path = os.path.normpath(os.path.join(base, target))
        if os.path.exists(path):
            return path
    return None


def circles(edges, verb):
    """A fault for each pair of modules that reach each other."""
    def reaches(start, goal, seen):
        for nxt in edges.get(start, ()):
            if nxt == goal or (nxt not in seen and not seen.add(nxt) and reaches(nxt, goal, seen)):
                return True
        return False

    return [f"install/{module} and install/{other} {verb} each other (a circle)"
            for module in sorted(edges) for other in sorted(edges[module]) if reaches(other, module, set())]


def object_module(library, path):
    """The module an object of the library was built from: the path below
    the target's folder, as CMake names it (completion/registry.cpp.o)."""
    marker = ".dir" + os.sep
    below = path[path.index(marker) + len(marker):] if marker in path else os.path.basename(path)
    return below.split(".cpp.")[0].replace(os.sep, "/")


def readable(symbol):
    return subprocess.run(["c++filt", symbol], capture_output=True, text=True).stdout.strip() or symbol


def call_faults(library, objects, floor_of):
    defined = {}
    used = {}
    for path in objects:
        module = object_module(library, path)
        listing = subprocess.run(["nm", path], capture_output=True, text=True, check=True).stdout
        for line in listing.splitlines():
            fields = line.split()
            if len(fields) == 3 and fields[1] in "TDBRVW":
                defined.setdefault(fields[2], module)
            elif len(fields) == 2 and fields[0] == "U":
                used.setdefault(module, set()).add(fields[1])
    faults = []
    calls = {}
    for module, symbols in sorted(used.items()):
        for symbol in sorted(symbols):
            other = defined.get(symbol)
            if other is None or other == module:
                continue
            if module not in floor_of or other not in floor_of:
                faults.append(f"install/{module} uses {readable(symbol)} of install/{other}, on no floor")
            elif floor_of[other] > floor_of[module]:
                faults.append(f"install/{module} ({FLOORS[floor_of[module]][0]}) uses {readable(symbol)} of "
                              f"install/{other} ({FLOORS[floor_of[other]][0]}), a floor above it")
            else:
                calls.setdefault(module, set()).add(other)
    return faults + circles(calls, "use")


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", ".."))
    library = os.path.join(root, "install")
    floor_of = {name: index for index, (_, names) in enumerate(FLOORS) for name in names}
    faults = []
    includes = {}
    for path, module in sources(library):
        if module not in floor_of:
            faults.append(f"install/{module}: on no floor (add it to FLOORS and docs/ARCHITECTURE.md)")
            continue
        with open(path, encoding="utf-8") as source:
            text = source.read()
        for target in INCLUDE.findall(text):
            found = resolve(library, path, target)
            if found is None:
                continue
            relative = os.path.relpath(found, root)
            if relative.startswith(PROGRAMS):
                faults.append(f"install/{module}: includes {relative}, a program above the library")
                continue
            if not relative.startswith("install" + os.sep):
                continue  # the codec and the other libraries below
            other = os.path.splitext(os.path.relpath(found, library))[0].replace(os.sep, "/")
            if other not in floor_of:
                faults.append(f"install/{module}: includes {target}, on no floor")
            elif floor_of[other] > floor_of[module]:
                faults.append(f"install/{module} ({FLOORS[floor_of[module]][0]}) includes {target} "
                              f"({FLOORS[floor_of[other]][0]}), a floor above it")
            elif other != module:
                includes.setdefault(module, set()).add(other)

    faults += circles(includes, "include")
    faults += call_faults(library, sys.argv[2:], floor_of)

    for fault in faults:
        print(fault)
    if faults:
        print(f"{len(faults)} layering faults")
        return 1
    for index, (name, names) in enumerate(FLOORS):
        print(f"floor {index} {name}: {' '.join(names)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
