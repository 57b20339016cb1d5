#!/usr/bin/env python3
"""Compares the conformance transcripts of wine64 and winsim line by line.

    compare_transcripts.py [--skipped PREFIX] WINE WINSIM ALLOWED [EXPECTED]

With EXPECTED, also writes Windows' transcript there: Wine's lines with the
allowed deviations replaced by Windows' lines.

allowed.txt lists Wine's own deviations from Windows, each as

    [check name]
    wine: the line Wine prints
    windows: the line Windows prints (and winsim must)
    why: the reason

A check that differs passes only when its entry matches both lines exactly.
With --skipped, the checks whose names start with PREFIX were not run (the
window checks without a display), so their entries are not expected.
"""
import sys


def transcript(path):
    lines = {}
    order = []
    with open(path, encoding="utf-8", errors="replace") as f:
        for raw in f:
            raw = raw.rstrip("\n")
            if raw.startswith("exit code ") or raw.startswith("checks: ") or ": " not in raw:
                continue
            name, value = raw.split(": ", 1)
            if name in lines:
                name = name + " #" + str(sum(1 for n in order if n.split(" #")[0] == name) + 1)
            lines[name] = value
            order.append(name)
    return lines, order


def allow_list(path):
    entries = {}
    current = None
    with open(path, encoding="utf-8") as f:
        for number, raw in enumerate(f, 1):
            raw = raw.rstrip("\n")
            if not raw.strip() or raw.startswith("#"):
                continue
            if raw.startswith("[") and raw.endswith("]"):
                current = raw[1:-1]
                entries[current] = {}
            elif current is not None and ": " in raw:
                key, value = raw.split(": ", 1)
                entries[current][key] = value
            else:
                sys.exit(f"{path}:{number}: not an allow-list line: {raw}")
    for name, entry in entries.items():
        missing = {"wine", "windows", "why"} - set(entry)
        if missing:
            sys.exit(f"{path}: entry [{name}] lacks {', '.join(sorted(missing))}")
    return entries


def main():
    args = sys.argv[1:]
    skipped = None
    if args[:1] == ["--skipped"]:
        skipped, args = args[1], args[2:]
    wine, order = transcript(args[0])
    winsim, winsim_order = transcript(args[1])
    allowed = allow_list(args[2])
    if skipped:
        allowed = {name: entry for name, entry in allowed.items() if not name.startswith(skipped)}
    failures, allowed_seen = [], []
    for name in order + [n for n in winsim_order if n not in wine]:
        a, b = wine.get(name), winsim.get(name)
        if a == b:
            continue
        entry = allowed.get(name)
        if entry and entry["wine"] == a and entry["windows"] == b:
            allowed_seen.append(name)
            continue
        failures.append(f"{name}\n    wine:   {a}\n    winsim: {b}")
    unused = sorted(set(allowed) - set(allowed_seen))
    for f in failures:
        print("DIFFERENT: " + f)
    for name in unused:
        print(f"ALLOW-LIST ENTRY NOT SEEN: [{name}]")
    checks = len(order)
    print(f"conformance: {checks} checks, {len(failures) + len(allowed_seen)} differences, "
          f"{len(allowed_seen)} allowed, {len(failures)} failing")
    if checks < 200:
        print("FAIL: fewer than 200 checks")
        return 1
    if len(args) > 3:
        with open(args[3], "w", encoding="utf-8") as f:
            for name in order:
                entry = allowed.get(name)
                value = entry["windows"] if entry and name in allowed_seen else wine[name]
                f.write(f"{name.split(' #')[0]}: {value}\n")
    return 1 if failures or unused else 0


if __name__ == "__main__":
    sys.exit(main())
