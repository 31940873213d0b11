#!/usr/bin/env python3
"""Syntax check of the Windows side of Rotaprobe and Novrel, run on Linux.

Called by tools/wincheck.sh after it configured an ordinary (Linux) build in
BUILD_DIR. Finds every source and header of the programs' folders that has
Windows-only code (Q_OS_WIN, _WIN32 or WIN32), adds every file that includes
one of them, directly or through other headers, and compiles each with the
mingw-w64 cross compiler and -fsyntax-only: Qt's headers, the project's own
and the generated ones, include folders and definitions taken from the
file's entry in the Linux build's compile_commands.json. Then compiles each
resource script the build configured (rotaprobe_version_note) with windres
and checks its version block, and the icon and manifest of each program.
Stops at the first error.

usage: wincheck.py BUILD_DIR
"""

import json
import os
import re
import shlex
import subprocess
import sys
import tempfile
from concurrent.futures import ThreadPoolExecutor

ROOT = os.path.dirname(os.path.dirname(os.path.realpath(__file__)))
CXX = "x86_64-w64-mingw32-g++-posix"
WINDRES = "x86_64-w64-mingw32-windres"
STANDINS = os.path.join(ROOT, "tools", "wincheck-standins")

# Folders whose code is not part of the two programs.
NOT_PROGRAM = {"tests", "bench", "tools", "sim", "demo", "service", "cmake", "packaging"}
WINDOWS_MARK = re.compile(r"Q_OS_WIN|_WIN32|\bWIN32\b")
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^">]+)[">]', re.M)

# Execution level each program's manifest must ask for (and the programs
# that must carry an icon).
EXECUTION_LEVEL = {"Rotaprobe": "asInvoker", "RotaprobeDemo": "asInvoker",
                   "Novrel": "requireAdministrator"}


def fail(message):
    print("wincheck: FAILED: " + message, flush=True)
    sys.exit(1)


def program_files():
    files = []
    for entry in sorted(os.listdir(ROOT)):
        folder = os.path.join(ROOT, entry)
        if (entry.startswith(".") or entry.startswith("build") or entry in NOT_PROGRAM
                or not os.path.isfile(os.path.join(folder, "CMakeLists.txt"))):
            continue
        for dirpath, dirnames, filenames in os.walk(folder):
            dirnames[:] = sorted(d for d in dirnames if not d.startswith("."))
            for name in sorted(filenames):
                if name.endswith((".cpp", ".h")):
                    files.append(os.path.join(dirpath, name))
    return files


def files_to_check(files):
    """Files with Windows code, plus every file that includes one of them."""
    text = {}
    for path in files:
        with open(path, encoding="utf-8", errors="replace") as f:
            text[path] = f.read()
    chosen = {path for path in files if WINDOWS_MARK.search(text[path])}
    changed = True
    while changed:
        changed = False
        names = {os.path.basename(path) for path in chosen}
        for path in files:
            if path in chosen:
                continue
            included = {os.path.basename(name) for name in INCLUDE.findall(text[path])}
            if included & names:
                chosen.add(path)
                changed = True
    return sorted(chosen, key=lambda p: os.path.relpath(p, ROOT))


def windows_flags(command, shim):
    """-D, -I, -W and -std flags of a Linux compile command, with the Linux
    system folders replaced by their Windows counterparts."""
    args = shlex.split(command)
    flags = []
    i = 1
    while i < len(args):
        arg = args[i]
        if arg in ("-o", "-c", "-MF", "-MT", "-MQ"):
            i += 2
            continue
        if arg in ("-isystem", "-I"):
            path = args[i + 1]
            i += 2
            if path.rstrip("/") == "/usr/include":
                flags += ["-isystem", shim]  # libraries installed beside glibc
            elif "/mkspecs/" in path:
                win_mkspec = os.path.join(os.path.dirname(path.rstrip("/")), "win32-g++")
                if os.path.isdir(win_mkspec):
                    flags += ["-isystem", win_mkspec]
            else:
                flags += [arg, path]
            continue
        if arg.startswith(("-D", "-I", "-std=")) or (arg.startswith("-W") and
                                                    not arg.startswith("-Wl,")):
            flags.append(arg)
        i += 1
    return flags


def compile_flags(build_dir, checked):
    with open(os.path.join(build_dir, "compile_commands.json")) as f:
        entries = json.load(f)
    by_file = {}
    for entry in entries:
        path = os.path.realpath(entry["file"])
        command = entry.get("command") or shlex.join(entry["arguments"])
        by_file.setdefault(path, command)

    # libraries that sit in /usr/include on Linux, offered alone to the cross
    # compiler (glibc's headers must stay out of its way)
    shim = os.path.join(build_dir, "wincheck-include")
    os.makedirs(shim, exist_ok=True)
    for header in ("qcustomplot.h",):
        link = os.path.join(shim, header)
        if not os.path.lexists(link) and os.path.exists("/usr/include/" + header):
            os.symlink("/usr/include/" + header, link)

    # all program include folders, for a file the Linux build does not compile
    union = []
    for path, command in by_file.items():
        if os.path.relpath(path, ROOT).split(os.sep)[0] in NOT_PROGRAM:
            continue
        for flag in windows_flags(command, shim):
            if flag not in union:
                union.append(flag)

    flags = {}
    for path in checked:
        stem, _ = os.path.splitext(path)
        command = by_file.get(os.path.realpath(path)) or by_file.get(stem + ".cpp")
        if command is None:
            siblings = [c for p, c in sorted(by_file.items())
                        if os.path.dirname(p) == os.path.dirname(os.path.realpath(path))]
            command = siblings[0] if siblings else None
        base = windows_flags(command, shim) if command else union
        flags[path] = ["-fsyntax-only", "-DUNICODE", "-D_UNICODE", "-isystem", STANDINS] + base
    return flags


def syntax_check(path, flags):
    if path.endswith(".h"):
        # a header on its own, through a one-line unit (no "#pragma once in
        # main file" warning)
        cmd = [CXX, "-x", "c++", "-"] + flags
        source = '#include "%s"\n' % path
    else:
        cmd = [CXX, path] + flags
        source = None
    result = subprocess.run(cmd, input=source, capture_output=True, text=True)
    return result.returncode, result.stdout + result.stderr, cmd


def check_sources(build_dir):
    checked = files_to_check(program_files())
    if not checked:
        fail("no file with Windows code found")
    flags = compile_flags(build_dir, checked)
    print("wincheck: %d files with Windows code or including it" % len(checked), flush=True)
    jobs = max(1, min(os.cpu_count() or 1, 4))
    with ThreadPoolExecutor(max_workers=jobs) as pool:
        futures = [(path, pool.submit(syntax_check, path, flags[path])) for path in checked]
        for path, future in futures:
            status, output, cmd = future.result()
            rel = os.path.relpath(path, ROOT)
            if status != 0:
                for _, pending in futures:
                    pending.cancel()
                print("  FAIL " + rel, flush=True)
                print(" ".join(shlex.quote(c) for c in cmd))
                print(output.rstrip())
                fail("%s does not compile for Windows" % rel)
            print("  ok   " + rel, flush=True)
    return len(checked)


def check_resources(build_dir):
    scripts = []
    for dirpath, dirnames, filenames in os.walk(build_dir):
        dirnames[:] = sorted(d for d in dirnames
                             if d != "CMakeFiles" and not d.endswith("_autogen"))
        scripts += [os.path.join(dirpath, n) for n in sorted(filenames) if n.endswith(".rc")]
    programs = {os.path.splitext(os.path.basename(s))[0] for s in scripts}
    for needed in ("Rotaprobe", "Novrel"):
        if needed not in programs:
            fail("no configured %s.rc in %s" % (needed, build_dir))
    print("wincheck: %d resource scripts" % len(scripts), flush=True)
    for script in scripts:
        program = os.path.splitext(os.path.basename(script))[0]
        rel = os.path.relpath(script, build_dir)
        with tempfile.TemporaryDirectory() as tmp:
            decoded = os.path.join(tmp, "decoded.rc")
            result = subprocess.run([WINDRES, "-i", script, "-O", "rc", "-o", decoded],
                                    capture_output=True, text=True)
            if result.returncode != 0:
                print("  FAIL " + rel)
                print((result.stdout + result.stderr).rstrip())
                fail("%s does not compile" % rel)
            with open(decoded, encoding="latin-1") as f:
                text = f.read()
        numbers = re.search(r"^\s*FILEVERSION\s+(\d+),\s*(\d+),\s*(\d+),\s*(\d+)", text, re.M)
        string = re.search(r'VALUE\s+"FileVersion",\s+"([^"]*)"', text)
        if not numbers or not string or ".".join(numbers.groups()) != string.group(1):
            fail("%s: FILEVERSION and the FileVersion string disagree or are missing" % rel)
        level = re.search(r'requestedExecutionLevel level=""(\w+)""', text)
        level = level.group(1) if level else None
        expected = EXECUTION_LEVEL.get(program)
        if expected:
            if "RT_GROUP_ICON" not in text:
                fail("%s: no icon" % rel)
            if level != expected:
                fail("%s: manifest asks for %s, expected %s" % (rel, level, expected))
        print("  ok   %s (FileVersion %s%s)" % (rel, string.group(1),
                                               ", " + level if level else ""), flush=True)
    return len(scripts)


def main():
    if len(sys.argv) != 2:
        fail("usage: wincheck.py BUILD_DIR")
    build_dir = os.path.abspath(sys.argv[1])
    sources = check_sources(build_dir)
    resources = check_resources(build_dir)
    print("wincheck: passed (%d sources, %d resource scripts)" % (sources, resources))


if __name__ == "__main__":
    main()
