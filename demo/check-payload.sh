#!/usr/bin/env bash
# Checks the demo payload against its sources with Info-ZIP unzip as the independent reader:
# every archive tests clean and holds exactly its content tree, byte for byte; the text files
# have Windows line ends; setup.exe is the built program.
#
#   check-payload.sh PAYLOAD CONTENT FILES SETUP
set -euo pipefail
payload=$1 content=$2 files=$3 setup=$4
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

for archive in vx01 sources manual all; do
  zip=$payload/$archive.zip
  unzip -tq "$zip" >/dev/null || fail "$archive.zip does not test clean"
  diff <(unzip -Z1 "$zip" | sort) \
    <(cd "$content/$archive" && find . -mindepth 1 \( -type d -printf '%P/\n' -o -printf '%P\n' \) | sort) ||
    fail "$archive.zip does not list its content tree"
  unzip -qo "$zip" -d "$scratch/$archive"
  diff -r "$scratch/$archive" "$content/$archive" || fail "$archive.zip differs from its content"
  [[ $(unzip -Zv "$zip" | grep -c 'compression method: *none (stored)') == \
    $(unzip -Z1 "$zip" | wc -l) ]] || fail "$archive.zip has members that are not stored"
done

for file in Vorlex.ini setup.ini short.txt; do
  sed 's/$/\r/' "$files/$file" | cmp -s - "$payload/$file" ||
    fail "$file does not hold its source with CR LF line ends"
done
cmp -s "$setup" "$payload/setup.exe" || fail "setup.exe is not the built setup"
echo "payload checked: 4 archives, 3 text files, setup.exe"
