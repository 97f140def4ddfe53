#!/usr/bin/env bash
# Builds the program twice from clean, in directories with different paths,
# and checks that the two programs are byte-identical.
# usage: reproducible.sh SOURCE_DIR CMAKE_ARGS...
set -euo pipefail
source_dir=$1
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

programs=()
for build in "$work/a" "$work/second/build-with-a-longer-path"; do
  cmake -S "$source_dir" -B "$build" -G Ninja -DPACKTEXT_BUILD_TESTS=OFF "$@" >/dev/null
  cmake --build "$build" --target packtext >/dev/null
  programs+=("$(find "$build/bin" -name 'packtext*' -type f)")
done

if ! cmp "${programs[@]}"; then
  echo "the two builds differ"
  exit 1
fi
echo "identical: $(wc -c <"${programs[0]}") bytes, sha256 $(sha256sum "${programs[0]}" | cut -c1-16)"
