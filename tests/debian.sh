#!/usr/bin/env bash
# Checks the packaging of the work tree (committed or not) as Debian and
# RPM distributions check a package:
# - makes its packages as a release does, but with their tests
#   (scripts/build-packages): the Debian source package and source RPM,
#   through lintian and rpmlint, and for each architecture its tarball, its
#   .deb (dpkg-buildpackage from the .dsc: natively for this machine's own
#   architecture, cross for any other) and its RPM (rpmbuild from the source
#   RPM), checked with tests/e2e/package_check.py: the files each holds, one
#   program in all three, byte for byte, the versions, the copyright file
#   against LICENSE, the program run from each, lintian on the .deb and
#   rpmlint on the RPM: no error, no warning;
# - runs the autopkgtest (debian/tests) on this machine's own .deb in a
#   throwaway minimal Debian of this machine's release: mmdebstrap lays it
#   with autopkgtest in it, which runs the test there (its null backend);
# - with --piuparts, has piuparts install and purge that .deb in a fresh
#   Debian of its own.
# As root.
#
# usage: tests/debian.sh [--piuparts] [ARCH...|all]
#   ARCH: the Debian architecture of a Linux row of targets.txt (default:
#   this machine's); all: every one, less those whose compiler this Debian
#   does not offer, each left out with a line.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/machines.sh"
# Nothing is written into the work tree, which may not be root's.
export PYTHONDONTWRITEBYTECODE=1
piuparts=
if [[ ${1:-} == --piuparts ]]; then
  piuparts=yes
  shift
fi
arches=("$@")
((${#arches[@]})) || arches=("$machine")
if [[ ${arches[*]} == all ]]; then
  arches=()
  for preset in "${presets[@]}"; do
    debian=${target[$preset.debian]}
    [[ ${target[$preset.system]} == linux && ${preset_of[$debian]} == "$preset" ]] && arches+=("$debian")
  done
fi
release=$(. /etc/os-release && echo "$VERSION_CODENAME")
work=$(mktemp -d /var/tmp/packtext-debian-check.XXXXXX)
trap 'rm -rf --one-file-system "$work"' EXIT

chosen=()
for arch in "${arches[@]}"; do
  preset=${preset_of[$arch]:-}
  if [[ -z $preset || ${target[$preset.system]} != linux ]]; then
    echo "debian.sh: no Linux row of targets.txt is for $arch" >&2
    exit 2
  fi
  chosen+=("$preset")
done

# The tracked files and any new ones not ignored, as they are in the work tree.
mkdir -p "$work/tree"
git -C "$root" ls-files -z --cached --others --exclude-standard |
  tar -C "$root" --null --files-from=- --ignore-failed-read -cf - 2>/dev/null | tar -C "$work/tree" -xf -
packages=$work/packages
# Each check counted: the packages made and checked, the autopkgtest, and
# piuparts when asked for.
status=0 passed=0 failed=0 skipped=0
count() {
  if (($1 == 0)); then
    passed=$((passed + 1))
  else
    failed=$((failed + 1)) status=1
  fi
}
made=0
"$root/scripts/build-packages" "$work/tree" "$packages" "${chosen[@]}" || made=$?
count $made

dsc=$(echo "$packages"/packtext_*.dsc)
deb=$(echo "$packages"/packtext_*_"$machine".deb)
if [[ -f $deb ]]; then
  echo "== autopkgtest, in a throwaway Debian $release"
  started=$SECONDS
  # The testbed gets the source package (its debian/tests) and the .deb.
  if mmdebstrap --quiet --variant=apt --include=autopkgtest --format=null \
    --customize-hook="copy-in $dsc ${dsc%.dsc}.tar.xz $deb /tmp" \
    --customize-hook="chroot \"\$1\" autopkgtest /tmp/$(basename "$dsc") /tmp/$(basename "$deb") -- null" \
    "$release" /dev/null "$(apt_mirror)" >"$work/autopkgtest.log" 2>&1; then
    sed -n '/^into a /p; /^with standard output /p' "$work/autopkgtest.log"
    echo "autopkgtest: ok, $((SECONDS - started)) s"
    count 0
  else
    tail -n 40 "$work/autopkgtest.log"
    echo "autopkgtest: FAILED"
    count 1
  fi
  if [[ -n $piuparts ]]; then
    echo "== piuparts, in a fresh Debian $release"
    started=$SECONDS
    if piuparts --distribution "$release" --mirror "$(apt_mirror)" "$deb" >"$work/piuparts.log" 2>&1; then
      tail -n 1 "$work/piuparts.log"
      echo "piuparts: ok, $((SECONDS - started)) s"
      count 0
    else
      tail -n 40 "$work/piuparts.log"
      echo "piuparts: FAILED"
      count 1
    fi
  fi
else
  echo "autopkgtest: left out, since no $machine .deb was built"
  skipped=$((skipped + 1))
fi
echo "$passed passed, $failed failed, $skipped skipped"
[[ -z ${PACKTEXT_COUNTS:-} ]] || echo "$passed $failed $skipped" >"$PACKTEXT_COUNTS"
exit $status
