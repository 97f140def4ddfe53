#!/usr/bin/env bash
# An emulated arm64 Debian of this host's own release, with that release's
# Wine, in which the Windows on ARM64 program runs on a host that is no arm64
# machine. Laid once with debootstrap, its programs run by qemu-user-static
# through binfmt_misc, and kept outside any build tree, so that every build,
# clone and CI run reuses it. As root.
#
# usage: tests/wine_guest.sh check
#          says why the guest cannot be laid or entered here (exit status 1)
#        tests/wine_guest.sh lay
#          lays the guest unless it is there, and says where it is
#        tests/wine_guest.sh enter DIR... -- COMMAND...
#          runs COMMAND in the guest with each DIR bound at its own path;
#          what COMMAND writes and its exit status are all that come out
#
# PACKTEXT_WINE_GUEST chooses the guest's folder (default below).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
release=$(. /etc/os-release && echo "$VERSION_CODENAME")
guest=${PACKTEXT_WINE_GUEST:-/var/cache/packtext/wine-arm64-$release}
# Written last when laying it, so a guest that a failure cut short is laid again.
ready=$guest/.packtext-ready
# Why the guest's Wine does not start under this machine's qemu, if it does not.
stuck=$guest/.packtext-wine-stuck

# Prints why the guest cannot run here, and fails; succeeds silently if it
# can. Whether this kernel runs arm64 programs is found out by trying one of
# 132 bytes that only exits, static, written out here: binfmt_misc need not
# be mounted where this runs (a chroot) for its handler to work.
check() {
  local probe error
  if ((EUID != 0)); then
    echo "entering the arm64 guest needs root (chroot)"
    return 1
  elif ! mountpoint -q /; then
    echo "this system's root is no mount point (a chroot not bound onto itself), so the" \
         "guest's mounts could not be kept from the host's"
    return 1
  elif [[ -e $stuck ]]; then
    cat "$stuck"
    return 1
  fi
  probe=$(mktemp)
  # ELF header, one PT_LOAD program header at 0x400000, then the code:
  # mov x0, #0; mov x8, #93 (exit); svc #0.
  printf '\x7fELF\x02\x01\x01\0\0\0\0\0\0\0\0\0\x02\0\xb7\0\x01\0\0\0\x78\0\x40\0\0\0\0\0'\
'\x40\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\x40\0\x38\0\x01\0\0\0\0\0\0\0'\
'\x01\0\0\0\x05\0\0\0\0\0\0\0\0\0\0\0\0\0\x40\0\0\0\0\0\0\0\x40\0\0\0\0\0'\
'\x84\0\0\0\0\0\0\0\x84\0\0\0\0\0\0\0\0\x10\0\0\0\0\0\0'\
'\0\0\x80\xd2\xa8\x0b\x80\xd2\x01\0\0\xd4' >"$probe"
  chmod +x "$probe"
  error=$("$probe" 2>&1) || {
    echo "this kernel runs no arm64 programs (${error##*: }): qemu-user-static registers" \
         "a binfmt_misc handler for them, through binfmt-support or systemd-binfmt"
  }
  rm -f "$probe"
  [[ -z $error ]]
}

# Runs "$@" in the guest with the host's devices and a proc of its own, in a
# mount namespace of its own: the mounts end with the command, leaving
# nothing mounted behind, whatever stops it. Each DIR before "--" is bound
# at the same path inside. With --alone first, in a process namespace of its
# own too, so that whatever the command leaves running ends with it.
enter() {
  local dirs=() alone=()
  [[ $1 != --alone ]] || { alone=(--pid --fork); shift; }
  while (($#)) && [[ $1 != -- ]]; do dirs+=("$1"); shift; done
  shift
  unshare --mount --propagation private "${alone[@]}" /bin/bash -euo pipefail -c '
    guest=$1; shift
    while [[ $1 != -- ]]; do
      mkdir -p "$guest$1"
      mount --bind "$1" "$guest$1"
      shift
    done
    shift
    mount -t proc proc "$guest/proc"
    mount --rbind /dev "$guest/dev"
    exec chroot "$guest" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin "$@"
  ' enter "$guest" "${dirs[@]}" -- "$@"
}

# Whether the guest's Wine starts under this machine's qemu: makes a prefix
# within 5 minutes. What a Wine that hangs leaves running ends with the test.
wine_starts() {
  local status=0
  enter --alone -- /bin/sh -c 'WINEPREFIX=/tmp/packtext-boot WINEDEBUG=-all \
    timeout 300 /usr/lib/wine/wine64 wineboot --init' >/dev/null 2>&1 || status=$?
  rm -rf "$guest/tmp/packtext-boot"
  return $status
}

lay() {
  local mirror partial=$guest.partial log
  if [[ ! -e $ready ]]; then
    source "$root/scripts/machines.sh"
    mirror=$(apt_mirror)
    log=$(mktemp)
    echo "laying an arm64 Debian ($release) with its Wine at $guest, from $mirror:" \
         "once, 5 to 15 minutes"
    rm -rf --one-file-system "$guest" "$partial"
    mkdir -p "$partial"
    # In a mount namespace of its own, so that nothing debootstrap mounts
    # outlives it if it fails.
    if ! unshare --mount --propagation private \
        debootstrap --arch=arm64 --variant=minbase "$release" "$partial" "$mirror" >"$log" 2>&1 ||
       ! cp /etc/resolv.conf "$partial/etc/resolv.conf" ||
       ! guest=$partial enter -- /bin/sh -c 'export DEBIAN_FRONTEND=noninteractive
            apt-get install -y -q --no-install-recommends wine wine64 && apt-get clean' >>"$log" 2>&1; then
      tail -n 20 "$log"
      rm -rf --one-file-system "$partial" "$log"
      echo "laying the arm64 guest failed: the mirror, $mirror? or a binfmt_misc handler" \
           "that cannot start qemu inside a chroot (its flag F, which opens qemu beforehand)?"
      return 1
    fi
    rm -f "$log"
    if ! guest=$partial wine_starts; then
      echo "$(guest=$partial enter -- /usr/lib/wine/wine64 --version) in the arm64 guest did" \
           "not start within 5 minutes under this machine's qemu; to try again, remove the" \
           "guest: rm -rf --one-file-system $guest" >"$partial/${stuck##*/}"
    fi
    mv "$partial" "$guest"
    touch "$ready"
  fi
  [[ ! -e $stuck ]] || { cat "$stuck"; return 1; }
  echo "Wine for arm64 runs in the guest at $guest" \
       "($(du -sh --one-file-system "$guest" | cut -f1)); remove it with: rm -rf --one-file-system $guest"
}

case ${1:-} in
  check) check ;;
  lay) check && lay ;;
  enter)
    shift
    [[ -e $ready ]] || { echo "no arm64 guest at $guest: lay it with $0 lay" >&2; exit 1; }
    enter "$@"
    ;;
  *) echo "usage: tests/wine_guest.sh check | lay | enter DIR... -- COMMAND..." >&2; exit 2 ;;
esac
