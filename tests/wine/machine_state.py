#!/usr/bin/env python3
"""Prints what the installer owns on a machine, in a form that reads the same
for a Wine prefix and a winsim machine, so that the two can be compared:

    machine_state.py --carried DIR --windir HOST WIN --sysdir HOST WIN --temp HOST WIN REGFILE...

Each --*dir pair gives a folder's host path and its Windows path. Printed,
sorted: the files the installer makes or leaves (driver, backup, uninstaller,
image and codec temporaries, journal, wininit.ini and the move record) with
their size and hash, or the name of the carried file (under DIR, the build's
payload folder) they are byte for byte (wininit.ini line by line), and the registry values it
owns, read from REGEDIT4 or Unicode .reg exports. Windows paths in values and
in wininit.ini read as %WINDIR%, %SYSTEM% and %TEMP%, in lower case: Wine's
folders (C:\\windows\\system32 on every version) are not those of a real 9x.
"""
import fnmatch
import hashlib
import os
import re
import sys

OWNED_FILES = ["halv*", "kvt*", "cx?????.$$$", "*.bak", "wininit.ini", "*.jnl"]
CLASS_KEY = r"system\currentcontrolset\control\class\{4d36e965-e325-11ce-bfc1-08002be10318}"


def owned_value(key, name):
    if key.startswith(r"software\talven") or key.startswith(r"system\currentcontrolset\services\halvik"):
        return True
    if key == r"software\microsoft\windows\currentversion\uninstall\talven halvik":
        return True
    if key == CLASS_KEY:
        return name in ("lowerfilters", "upperfilters")
    if key == r"system\currentcontrolset\control\session manager":
        return name == "pendingfilerenameoperations"
    return False


class Paths:
    def __init__(self, pairs):
        # Longest Windows path first, so that %SYSTEM% wins over %WINDIR%.
        self.pairs = sorted(pairs, key=lambda p: -len(p[1]))

    def normal(self, text):
        for name, win in self.pairs:
            text = re.sub(re.escape(win.rstrip("\\")), "%" + name + "%", text, flags=re.IGNORECASE)
        return text.lower()


def read_reg(path):
    raw = open(path, "rb").read()
    if raw[:2] == b"\xff\xfe":
        return raw[2:].decode("utf-16-le"), True
    return raw.decode("latin-1"), False


def unescape(s):
    return re.sub(r"\\(.)", r"\1", s)


def registry_lines(path, paths):
    text, unicode = read_reg(path)
    lines = text.replace("\r\n", "\n").split("\n")
    joined = []
    for line in lines:
        if joined and joined[-1].endswith("\\") and not joined[-1].startswith("\""):
            joined[-1] = joined[-1][:-1] + line.strip()
        elif joined and re.search(r"=hex(\([0-9a-f]+\))?:.*\\$", joined[-1]):
            joined[-1] = joined[-1][:-1] + line.strip()
        else:
            joined.append(line)
    out = []
    key = None
    for line in joined:
        if line.startswith("[") and line.endswith("]"):
            key = line[1:-1].lower()
            for hive in ("hkey_local_machine\\",):
                if key.startswith(hive):
                    key = key[len(hive):]
            continue
        m = re.match(r'^(@|"((?:[^"\\]|\\.)*)")=(.*)$', line)
        if not m or key is None:
            continue
        name = "@" if m.group(1) == "@" else unescape(m.group(2)).lower()
        if not owned_value(key, name):
            continue
        data = m.group(3)
        if data.startswith('"'):
            value = "sz " + paths.normal(unescape(data[1:-1]))
        elif data.startswith("dword:"):
            value = "dword 0x" + data[6:].lower()
        else:
            hm = re.match(r"^hex(?:\(([0-9a-f]+)\))?:(.*)$", data)
            if not hm:
                value = "? " + data
            else:
                kind = int(hm.group(1) or "3", 16)
                blob = bytes(int(b, 16) for b in hm.group(2).replace(" ", "").split(",") if b)
                if kind in (2, 7):
                    s = blob.decode("utf-16-le" if unicode else "latin-1").rstrip("\0")
                    if kind == 7:
                        value = "multi_sz " + "|".join(paths.normal(p) for p in s.split("\0"))
                    else:
                        value = "expand_sz " + paths.normal(s)
                else:
                    value = "hex(%x) %s" % (kind, blob.hex())
        out.append("reg %s\\%s = %s" % (key, name, value))
    return out


def carried_files(folder):
    known = {}
    for root, dirs, names in os.walk(folder):
        dirs[:] = [d for d in dirs if d != "CMakeFiles"]
        for name in names:
            full = os.path.join(root, name)
            known.setdefault(open(full, "rb").read(), os.path.relpath(full, folder).lower())
    return known


def files_lines(role, folder, paths, carried):
    out = []
    if not os.path.isdir(folder):
        return ["dir %s missing" % role]
    for name in sorted(os.listdir(folder), key=str.lower):
        full = os.path.join(folder, name)
        low = name.lower()
        if not os.path.isfile(full) or not any(fnmatch.fnmatch(low, p) for p in OWNED_FILES):
            continue
        data = open(full, "rb").read()
        if low in ("wininit.ini", "wininit.bak"):
            for line in data.decode("latin-1").replace("\r\n", "\n").split("\n"):
                if line.strip():
                    out.append("file %s\\%s: %s" % (role, low, paths.normal(line.strip())))
        elif re.fullmatch(r"kvt[0-9a-f]*\.tmp", low) and low != "kvtinit.tmp":
            out.append("file %s\\kvt*.tmp (an image file)" % role)
        elif low.endswith(".log"):
            out.append("file %s\\%s (a kept log)" % (role, low))
        elif data in carried:
            out.append("file %s\\%s = carried %s" % (role, low, carried[data]))
        else:
            out.append("file %s\\%s %d %s" % (role, low, len(data), hashlib.sha256(data).hexdigest()[:16]))
    return out


def main(argv):
    pairs = []
    folders = []
    regs = []
    carried = {}
    i = 1
    while i < len(argv):
        if argv[i] == "--carried":
            carried = carried_files(argv[i + 1])
            i += 2
        elif argv[i] in ("--windir", "--sysdir", "--temp"):
            role = {"--windir": "WINDIR", "--sysdir": "SYSTEM", "--temp": "TEMP"}[argv[i]]
            folders.append((role, argv[i + 1]))
            pairs.append((role, argv[i + 2]))
            i += 3
        else:
            regs.append(argv[i])
            i += 1
    paths = Paths(pairs)
    lines = []
    for role, folder in folders:
        lines += files_lines(role, folder, paths, carried)
        if role == "SYSTEM":
            for sub in ("drivers", "iosubsys"):
                match = [n for n in (os.listdir(folder) if os.path.isdir(folder) else []) if n.lower() == sub]
                if match:
                    lines += files_lines("SYSTEM\\" + sub, os.path.join(folder, match[0]), paths, carried)
    for reg in regs:
        if os.path.exists(reg) and os.path.getsize(reg) > 0:
            lines += registry_lines(reg, paths)
    for line in sorted(set(lines)):
        print(line)


if __name__ == "__main__":
    main(sys.argv)
