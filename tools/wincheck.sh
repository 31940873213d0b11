#!/usr/bin/env bash
# Syntax check of the Windows side: every source of Rotaprobe and Novrel with
# Windows-only code (and every file including such code) is compiled with
# the mingw-w64 cross compiler and -fsyntax-only against Debian's Qt 5
# headers, and each program's resource script is compiled with windres.
# Nothing is linked: Debian has no Qt for Windows. Prints each file checked
# and stops at the first error. Packages come from tools/setup.sh.
#   WINCHECK_BUILD_DIR: the Linux build configured for the include folders,
#   definitions, generated headers and resource scripts (build-wincheck).
set -euo pipefail
cd "$(dirname "$0")/.."

for tool in x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-windres; do
  if ! command -v "$tool" >/dev/null; then
    echo "wincheck: FAILED: $tool missing (tools/setup.sh installs it)"
    exit 1
  fi
done

dir=${WINCHECK_BUILD_DIR:-build-wincheck}
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
exec python3 tools/wincheck.py "$dir"
