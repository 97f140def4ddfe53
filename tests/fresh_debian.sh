#!/usr/bin/env bash
# Runs the quick start's first command, scripts/run, on a fresh minimal Debian
# (debootstrap, in a chroot) from a clone of this checkout, and checks that
# its standard output is exactly the text and its exit status 0. As root.
#
# usage: tests/fresh_debian.sh RELEASE [COMMAND...]
#   RELEASE: bookworm (Debian 12) or trixie (Debian 13).
#   With a command (e.g. scripts/test), runs that in the chroot instead and
#   reports its exit status.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/machines.sh"
declare -A version_of=([bookworm]=12 [trixie]=13)
release=${1:-}
if [[ -z ${version_of[$release]:-} ]]; then
  echo "usage: tests/fresh_debian.sh bookworm|trixie [COMMAND...]" >&2
  exit 2
fi
shift
debian="Debian ${version_of[$release]}"
work=$(mktemp -d /var/tmp/packtext-debian.XXXXXX)
system=$work/system

mirror=$(apt_mirror)

cleanup() {
  for mount in dev proc sys; do
    umount -R "$system/$mount" 2>/dev/null || true
  done
  umount "$system" 2>/dev/null || true
  # Never remove a tree that still has the host's /dev bound inside it.
  if findmnt --list --noheadings --output TARGET | grep -q "^$system\(/\|$\)"; then
    echo "still mounted below $system; left in place" >&2
  else
    rm -rf --one-file-system "$work"
  fi
}
trap cleanup EXIT

echo "laying a minimal $debian from $mirror"
debootstrap --variant=minbase "$release" "$system" "$mirror" >"$work/debootstrap.log" 2>&1 ||
  { tail -n 20 "$work/debootstrap.log"; exit 1; }
# A mount point of its own, as a system's root is, so that what runs inside
# can keep mounts of its own from the host's (tests/wine_guest.sh).
mount --bind "$system" "$system"
mount -t proc proc "$system/proc"
mount --rbind /dev "$system/dev"
mount --make-rslave "$system/dev"
mount -t sysfs sysfs "$system/sys"
cp /etc/resolv.conf "$system/etc/resolv.conf"
git clone --quiet "$root" "$system/packtext"

if (($#)); then
  status=0
  chroot "$system" /bin/bash -c 'cd /packtext && "$@"' bash "$@" || status=$?
  echo "$* in a fresh $debian: exit status $status"
  exit "$status"
fi

status=0
chroot "$system" /packtext/scripts/run >"$work/out" 2>"$work/err" || status=$?
if ((status != 0)) || ! cmp -s "$work/out" "$root/tests/expected-output"; then
  tail -n 30 "$work/err"
  echo "scripts/run in a fresh $debian: exit status $status, $(wc -c <"$work/out") bytes" \
       "on standard output; expected 0 and exactly the text"
  exit 1
fi
echo "scripts/run in a fresh $debian: exit status 0, exactly the 8,000 bytes of text on standard output"
