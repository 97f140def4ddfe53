#!/usr/bin/env bash
# Builds the program and its packages twice from clean and checks that the
# two programs and each pair of packages are byte-identical. The builds
# differ in all that must not matter: their directories' paths, their time
# (a second apart), the umask (022, then 077), and the source tree, which for
# the second build is a fresh copy whose files have new times and modes.
# usage: reproducible.sh SOURCE_DIR CMAKE_ARGS...
set -euo pipefail
source_dir=$1
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The packages' file times come from the last commit, not from the caller.
unset SOURCE_DATE_EPOCH

copy="$work/copy/of-the-source"
mkdir -p "$copy"
(umask 077 && tar -C "$source_dir" --exclude=./build -cf - . | tar -C "$copy" -xmf -)

build() { # SOURCE BUILD_DIR UMASK CMAKE_ARGS...
  local source=$1 build=$2 mask=$3
  shift 3
  (
    umask "$mask"
    cmake -S "$source" -B "$build" -G Ninja -DPACKTEXT_BUILD_TESTS=OFF "$@" >/dev/null
    cmake --build "$build" >/dev/null
    cd "$build" && cpack >/dev/null
  )
}
first="$work/a"
second="$work/second/build-with-a-longer-path"
build "$source_dir" "$first" 022 "$@"
sleep 1
build "$copy" "$second" 077 "$@"

status=0
program=$(cd "$first" && find bin -name 'packtext*' -type f)
packages=$(cd "$first/packages" && find . -maxdepth 1 -type f | sort)
if [[ $(cd "$second/packages" && find . -maxdepth 1 -type f | sort) != "$packages" ]]; then
  echo "the two builds made different packages"
  status=1
fi
for file in "$program" $(sed 's|^\./|packages/|' <<<"$packages"); do
  if cmp "$first/$file" "$second/$file"; then
    echo "identical: $(basename "$file"), $(wc -c <"$first/$file") bytes," \
      "sha256 $(sha256sum "$first/$file" | cut -c1-16)"
  else
    status=1
  fi
done
exit $status
