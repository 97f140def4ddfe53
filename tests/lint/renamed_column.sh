#!/usr/bin/env bash
# Every reader of targets.txt takes the column names from its header row: in
# a copy of the tree whose header renames a column, each reader that reads
# that column must stop, naming it, rather than read another column's
# fields or nothing.
# usage: renamed_column.sh SOURCE_DIR
set -euo pipefail
source_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
copy=$work/source
mkdir -p "$copy"
tar -C "$source_dir" --exclude=./build --exclude=./.git -cf - . | tar -C "$copy" -xf -
cp "$copy/targets.txt" "$work/targets.txt"

# Each case: the column renamed, then a reader that reads it, run in the copy.
toolchain() { cmake -S . -B "$work/build" -G Ninja --toolchain "cmake/$1.cmake"; }
machines='set -euo pipefail; source scripts/machines.sh'
cases=(
  "triple|bash -c '$machines && compiler_packages \"\${preset_of[\$machine]}\"'"
  "triple|toolchain linux"
  "triple|python3 tests/lint/targets_check.py ."
  "debian|bash -c '$machines'"
  "packages|bash -c '$machines && compiler_packages linux-x64'"
  "qemu|toolchain linux"
  "system|toolchain mingw-w64"
  "address|toolchain linux"
  "entry|toolchain mingw-w64"
  "start|toolchain linux"
  "address|python3 tests/lint/targets_check.py ."
  "compiler|python3 scripts/presets --print"
)
failed=0
for case in "${cases[@]}"; do
  IFS='|' read -r column reader <<<"$case"
  # The header row is the first line that is neither a comment nor empty.
  awk -v column="$column" '!done && NF && !/^#/ { for (i = 1; i <= NF; i++) if ($i == column) $i = "renamed"; done = 1 } 1' \
    "$work/targets.txt" >"$copy/targets.txt"
  rm -rf "$work/build"
  status=0
  output=$(cd "$copy" && eval "$reader" 2>&1) || status=$?
  if ((status == 0)); then
    echo "FAIL $column renamed, $reader: read the table all the same"
  elif [[ $output != *"$column"* ]]; then
    echo "FAIL $column renamed, $reader: failed without naming it: ${output: -300}"
  else
    echo "ok   $column renamed, $reader: $(grep -m1 -- "$column" <<<"$output")"
    continue
  fi
  failed=$((failed + 1))
done
((failed == 0))
