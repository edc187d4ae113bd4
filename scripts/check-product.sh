#!/usr/bin/env bash
# Checks that the Windows product is a PE32 GUI program that imports only system DLLs, carries
# no symbols and no debug sections, and holds its manifest, version information and icon.
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

sections=$(i686-w64-mingw32-objdump -h "$exe" | awk '$1 ~ /^[0-9]+$/ {print $2}')
echo "$(stat -c %s "$exe") bytes, $(wc -l <<<"$sections") sections: $(tr '\n' ' ' <<<"$sections")"
if grep -Eq '^(\.debug|\.stab|/[0-9])' <<<"$sections"; then
  echo "carries debug sections" >&2
  exit 1
fi
headers=$(i686-w64-mingw32-objdump -p "$exe")
if ! grep -q 'symbols stripped' <<<"$headers"; then
  echo "carries symbols" >&2
  exit 1
fi

# pefile is Debian's python3-pefile, so the system's own interpreter reads it.
/usr/bin/python3 "$(dirname "$0")/check-resources.py" "$exe"
