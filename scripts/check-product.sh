#!/usr/bin/env bash
# Checks that the Windows product is a PE32 GUI program that imports only system DLLs.
set -euo pipefail
exe=$1
if [[ ! -f $exe ]]; then
  echo "check-product: $exe is not built yet; skipped"
  exit 0
fi
desc=$(file -b "$exe")
echo "$exe: $desc"
[[ $desc == *"PE32 executable"*"(GUI)"*"Intel 80386"* ]] || { echo "not a PE32 GUI program" >&2; exit 1; }
allowed='^(kernel32|user32|gdi32|comctl32|comdlg32|shell32|ole32|oleaut32|advapi32|msvcrt|shlwapi|uuid)\.dll$'
bad=$(i686-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ {print tolower($3)}' | grep -Ev "$allowed" || true)
if [[ -n $bad ]]; then
  echo "imports a DLL that is not the system's own: $bad" >&2
  exit 1
fi
