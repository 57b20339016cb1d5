#!/usr/bin/env python3
"""machine_state.py must read a Wine prefix and a winsim machine alike: the
same values from a Unicode (REGEDIT5, Wine's `reg export`) and an ANSI
(REGEDIT4, winsim's) export, Windows folders as placeholders, the carried
files by name, and nothing that is not ours. A reader that saw nothing on
either side would make the comparison of versions.sh pass vacuously."""
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
fails = 0


def check(what, condition):
    global fails
    if not condition:
        print("FAIL: " + what)
        fails += 1


def state(args):
    return subprocess.run([sys.executable, os.path.join(HERE, "machine_state.py")] + args,
                          check=True, capture_output=True, text=True).stdout.splitlines()


def folder(root, *parts):
    path = os.path.join(root, *parts)
    os.makedirs(path, exist_ok=True)
    return path


def put(path, data):
    with open(path, "wb") as f:
        f.write(data)


with tempfile.TemporaryDirectory() as work:
    carried = folder(work, "payload")
    put(os.path.join(carried, "HALVIK2K.SYS"), b"MZ driver 2k")
    put(os.path.join(folder(carried, "variants", "7.1.0.188"), "HALVIK.SYS"), b"MZ older")

    # Wine's side: C:\windows\system32, a Unicode export with a wrapped hex(7) line.
    wine = folder(work, "wine")
    system = folder(wine, "windows", "system32")
    put(os.path.join(folder(system, "drivers"), "Halvik.sys"), b"MZ driver 2k")
    put(os.path.join(system, "drivers", "Halvik.BAK"), b"MZ older")
    put(os.path.join(system, "drivers", "null.sys"), b"not ours")
    put(os.path.join(system, "KVT1A.TMP"), b"image")
    temp = folder(wine, "temp")
    put(os.path.join(temp, "HALVINST.LOG"), b"log of one side")
    unicode_export = (
        "\ufeffWindows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Session Manager]\r\n"
        "\"BootExecute\"=hex(7):61,00,00,00,00,00\r\n"
        "\"PendingFileRenameOperations\"=hex(7):5c,00,3f,00,3f,00,5c,00,43,00,3a,00,5c,00,\\\r\n"
        "  77,00,69,00,6e,00,64,00,6f,00,77,00,73,00,5c,00,73,00,79,00,73,00,74,00,65,\\\r\n"
        "  00,6d,00,33,00,32,00,5c,00,48,00,41,00,4c,00,56,00,55,00,4e,00,49,00,4e,00,\\\r\n"
        "  2e,00,45,00,58,00,45,00,00,00,00,00,00,00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Talven Halvik]\r\n"
        "\"QuietUninstallString\"=\"C:\\\\windows\\\\system32\\\\HALVUNIN.EXE SILENT\"\r\n"
        "\"NoModify\"=dword:00000001\r\n\r\n")
    put(os.path.join(work, "wine.reg"), unicode_export.encode("utf-16-le"))
    wine_lines = state(["--carried", carried, "--windir", os.path.join(wine, "windows"), "C:\\windows",
                        "--sysdir", system, "C:\\windows\\system32", "--temp", temp, "C:\\users\\root\\Temp",
                        os.path.join(work, "wine.reg")])

    # winsim's side: a 9x-like NT 4 layout under other names, an ANSI export.
    sim = folder(work, "sim")
    system = folder(sim, "WINNT", "system32")
    put(os.path.join(folder(system, "drivers"), "Halvik.sys"), b"MZ driver 2k")
    put(os.path.join(system, "drivers", "Halvik.BAK"), b"MZ older")
    put(os.path.join(system, "KVT7.TMP"), b"other image")
    temp = folder(sim, "TEMP")
    put(os.path.join(temp, "HALVINST.LOG"), b"the other side's log")
    ansi_export = (
        "REGEDIT4\n\n"
        "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager]\n"
        "\"PendingFileRenameOperations\"=hex(7):5c,3f,3f,5c,43,3a,5c,57,49,4e,4e,54,5c,73,79,73,74,65,6d,33,32,5c,\\\n"
        "  68,61,6c,76,75,6e,69,6e,2e,65,78,65,00,00\n\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Talven Halvik]\n"
        "\"NoModify\"=dword:00000001\n"
        "\"QuietUninstallString\"=\"C:\\\\WINNT\\\\system32\\\\HALVUNIN.EXE SILENT\"\n\n")
    put(os.path.join(work, "sim.reg"), ansi_export.encode("latin-1"))
    sim_lines = state(["--carried", carried, "--windir", os.path.join(sim, "WINNT"), "C:\\WINNT",
                       "--sysdir", system, "C:\\WINNT\\system32", "--temp", temp, "C:\\TEMP",
                       os.path.join(work, "sim.reg")])

    check("both sides read the same:\n  " + "\n  ".join(wine_lines) + "\nand\n  " + "\n  ".join(sim_lines),
          wine_lines == sim_lines)
    expected = [
        "file SYSTEM\\drivers\\halvik.bak = carried variants/7.1.0.188/halvik.sys",
        "file SYSTEM\\drivers\\halvik.sys = carried halvik2k.sys",
        "file SYSTEM\\kvt*.tmp (an image file)",
        "file TEMP\\halvinst.log (a kept log)",
        "reg software\\microsoft\\windows\\currentversion\\uninstall\\talven halvik\\nomodify = dword 0x00000001",
        "reg software\\microsoft\\windows\\currentversion\\uninstall\\talven halvik\\quietuninstallstring"
        " = sz %system%\\halvunin.exe silent",
        "reg system\\currentcontrolset\\control\\session manager\\pendingfilerenameoperations"
        " = multi_sz \\??\\%system%\\halvunin.exe",
    ]
    check("what is ours, and only that: " + "\n  ".join(wine_lines), wine_lines == expected)

print("machine state reader: %d passed, %d failed" % (1 if fails == 0 else 0, 1 if fails else 0))
sys.exit(1 if fails else 0)
