#!/usr/bin/env bash
# Builds the program and its packages twice from clean and checks that the
# two programs and each pair of packages are byte-identical, and that the
# packages' newest time is debian/changelog's date. The builds differ in all
# that must not matter: the user (uid 65534 for the second, when run as
# root), the umask (022, then 077), the file system (a tmpfs, /dev/shm, for
# the second), the locale and time zone, the directories' paths, the time (a
# second apart), and the source tree, which for the second build is a fresh
# copy whose files have new times and modes. What cannot be varied here is
# said, and added to the file of skipped tests PACKTEXT_SKIPPED_TESTS names.
# usage: reproducible.sh SOURCE_DIR CMAKE_ARGS...
set -euo pipefail
source_dir=$(realpath "$1")
shift
# The packages' times come from debian/changelog, not from the caller.
unset SOURCE_DATE_EPOCH

not_varied() { # WHAT
  local line="e2e.program.reproducible: not varied: $1"
  echo "$line"
  [[ -z ${PACKTEXT_SKIPPED_TESTS:-} ]] || grep -qsxF "$line" "$PACKTEXT_SKIPPED_TESTS" ||
    echo "$line" >>"$PACKTEXT_SKIPPED_TESTS"
}
first_work=$(mktemp -d)
second_root=/dev/shm
if [[ $(stat -f -c %T "$second_root" 2>/dev/null) != tmpfs ]]; then
  not_varied "the file system (/dev/shm is no tmpfs here)"
  second_root=${TMPDIR:-/tmp}
fi
second_work=$(mktemp -d "$second_root/packtext-reproducible.XXXXXX")
trap 'rm -rf "$first_work" "$second_work"' EXIT
as_other=()
if (($(id -u) == 0)); then
  as_other=(setpriv --reuid=65534 --regid=65534 --clear-groups)
else
  not_varied "the user (only root can build as another)"
fi

copy="$second_work/copy/of-the-source"
mkdir -p "$copy"
(umask 077 && tar -C "$source_dir" --exclude=./build -cf - . | tar -C "$copy" -xmf -)
[[ ${#as_other[@]} -eq 0 ]] || chown -R 65534:65534 "$second_work"

build() { # SOURCE BUILD_DIR CMAKE_ARGS...
  local source=$1 build=$2
  shift 2
  cmake -S "$source" -B "$build" -G Ninja -DPACKTEXT_BUILD_TESTS=OFF "$@" >/dev/null
  cmake --build "$build" >/dev/null
  cd "$build" && cpack >/dev/null
}
first="$first_work/a"
second="$second_work/second/build-with-a-longer-path"
(umask 022 && LC_ALL=C TZ=UTC build "$source_dir" "$first" "$@")
sleep 1
# The second build's toolchain file is its own copy's.
(umask 077 && "${as_other[@]}" env HOME="$second_work" LANGUAGE=fr LC_ALL=C.UTF-8 TZ=Asia/Tokyo \
  bash -ec "$(declare -f build); build \"\$@\"" build "$copy" "$second" "${@//$source_dir/$copy}")

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

# A ZIP keeps times to two seconds.
date=$(cmake -P "$source_dir/cmake/source-date.cmake")
for package in $packages; do
  newest=$(python3 - "$first/packages/$package" <<'EOF'
import calendar, sys, tarfile, zipfile
if sys.argv[1].endswith(".zip"):
    with zipfile.ZipFile(sys.argv[1]) as archive:
        print(max(calendar.timegm(member.date_time + (0, 0, 0)) for member in archive.infolist()))
else:
    with tarfile.open(sys.argv[1]) as archive:
        print(max(member.mtime for member in archive.getmembers()))
EOF
  )
  if ((newest > date || newest < date - 1)); then
    echo "$(basename "$package"): its newest time is $newest, debian/changelog's date $date"
    status=1
  fi
done
exit $status
