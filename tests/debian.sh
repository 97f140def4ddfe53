#!/usr/bin/env bash
# Checks the Debian packaging of the work tree (committed or not) as Debian
# checks a package:
# - builds the source package and runs lintian on it;
# - for each architecture, builds its .deb (scripts/build-deb: natively, with
#   the tests, for this machine's own; cross for any other) and its preset's
#   tarball, and checks both with tests/e2e/package_check.py: the files each
#   holds, one program in both, byte for byte, the versions, the copyright
#   file against LICENSE, the program run from each, and lintian on the
#   .deb: no error, no warning;
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
source "$root/scripts/project.sh"
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
version=$(project_version)
release=$(. /etc/os-release && echo "$VERSION_CODENAME")
work=$(mktemp -d /var/tmp/packtext-debian-check.XXXXXX)
trap 'rm -rf --one-file-system "$work"' EXIT

# The tracked files and any new ones not ignored, as they are in the work tree.
source_dir=$work/source/packtext
mkdir -p "$source_dir"
git -C "$root" ls-files -z --cached --others --exclude-standard |
  tar -C "$root" --null --files-from=- --ignore-failed-read -cf - 2>/dev/null | tar -C "$source_dir" -xf -

echo "== source package"
(cd "$work/source" && dpkg-source --build packtext >"$work/source.log" 2>&1) ||
  { cat "$work/source.log"; exit 1; }
dsc=$work/source/packtext_$version.dsc
status=0
lintian --fail-on error,warning "$dsc" || status=1
echo "lintian on $(basename "$dsc"): $( ((status)) && echo FAILED || echo ok)"

for arch in "${arches[@]}"; do
  echo "== $arch"
  preset=${preset_of[$arch]:-}
  if [[ -z $preset || ${target[$preset.system]} != linux ]]; then
    echo "debian.sh: no Linux row of targets.txt is for $arch" >&2
    exit 2
  fi
  if ! target_offered "$preset"; then
    echo "$target_missing"
    continue
  fi
  made=$work/$arch
  build=$work/build-$arch
  mkdir -p "$made"
  started=$SECONDS
  build_preset "$preset" "$build" pack -G TGZ >"$work/$arch-preset.log"
  mv "$build"/packages/*.tar.gz "$made/"
  "$root/scripts/build-deb" "$source_dir" "$arch" "$made"
  # The packed programs run here, or under qemu-user.
  emulator_for "$preset"
  /usr/bin/python3 "$root/tests/e2e/package_check.py" --made "$made" "$build/bin/packtext" \
    "$version" "${emulator[@]}" || status=1
  echo "$arch: $((SECONDS - started)) s"
done

deb=$work/$machine/packtext_${version}_$machine.deb
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
  else
    tail -n 40 "$work/autopkgtest.log"
    echo "autopkgtest: FAILED"
    status=1
  fi
  if [[ -n $piuparts ]]; then
    echo "== piuparts, in a fresh Debian $release"
    started=$SECONDS
    if piuparts --distribution "$release" --mirror "$(apt_mirror)" "$deb" >"$work/piuparts.log" 2>&1; then
      tail -n 1 "$work/piuparts.log"
      echo "piuparts: ok, $((SECONDS - started)) s"
    else
      tail -n 40 "$work/piuparts.log"
      echo "piuparts: FAILED"
      status=1
    fi
  fi
else
  echo "autopkgtest: left out, since no $machine .deb was built"
fi
exit $status
