#!/usr/bin/env bash
# An emulated Debian of another architecture, arm64 or i386, with its Wine,
# in which a Windows program that this host's Wine cannot run is run: the
# ARM64 one on any other machine, the 32-bit x86 one on an x86-64 kernel
# that runs no i386 code. Laid once with debootstrap, kept outside any build
# tree (so every build, clone and CI run reuses it) and entered with chroot,
# as root. Its programs run under a static qemu through a binfmt_misc
# handler of the guest's own user namespace (Linux 6.7 and later), which
# leaves the host's handlers alone; failing that, an arm64 guest falls back
# on qemu-user-static's handler in the host's binfmt_misc, which is mounted
# and enabled for it. No i386 handler ever goes into the host's: it would
# take over every i386 program on the machine.
#
# usage: tests/wine_guest.sh ARCH check
#          says why the guest cannot be laid or entered here (exit status 1)
#        tests/wine_guest.sh ARCH lay
#          lays the guest unless it is there, and says where it is
#        tests/wine_guest.sh ARCH enter [--alone] DIR... -- COMMAND...
#          runs COMMAND in the guest with each DIR bound at its own path;
#          what COMMAND writes and its exit status are all that come out
#
# The guest's release is the first of `releases` whose Wine starts under a
# qemu at hand, found by trying; a release passed over is remembered, with
# the reason, beside the guests. PACKTEXT_GUESTS chooses their folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
arch=${1:-}
case $arch in
  arm64)
    qemu_arch=aarch64 loader=/usr/lib/wine/wine64 wine_debs="wine wine64"
    magic='\x7fELF\x02\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\xb7\x00'
    mask='\xff\xff\xff\xff\xff\xff\xff\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    ;;
  i386)
    qemu_arch=i386 loader=/usr/lib/wine/wine wine_debs="wine wine32"
    magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    ;;
  *) echo "usage: tests/wine_guest.sh arm64|i386 check | lay | enter [--alone] DIR... -- COMMAND..." >&2
     exit 2 ;;
esac
shift
guests=${PACKTEXT_GUESTS:-/var/cache/packtext}
# Debian 12's first: its Wine starts under qemu for both; Debian 13's Wine 10
# for arm64 did not (an illegal instruction over and over).
releases=(bookworm trixie)
# Inside a guest, the static qemu that runs its programs.
guest_qemu=/usr/libexec/packtext/qemu-$qemu_arch
# Limit for a first Wine start (wineboot making a prefix), past which that
# qemu does not count as running the guest's Wine; PACKTEXT_WINE_BOOT_LIMIT
# sets another, in seconds.
boot_limit=${PACKTEXT_WINE_BOOT_LIMIT:-300}

# Runs "$@" in a user namespace whose ids are the host's own, and in a mount
# namespace of its own (--pid too: in a process namespace of its own, "$@"
# its first process). The id maps are written from here, outside: a user
# namespace cannot map more than its creator's one id itself.
in_user_namespace() {
  local flags=(--user --mount --propagation private) fifo pid status self
  [[ $1 != --pid ]] || { flags+=(--pid --fork); shift; }
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  exec 3<&0
  unshare "${flags[@]}" /bin/bash -c 'read -r _ <"$0"; exec "$@"' "$fifo" "$@" <&3 3<&- &
  pid=$!
  exec 3<&-
  self=$(readlink /proc/self/ns/user)
  while [[ $(readlink "/proc/$pid/ns/user" 2>/dev/null) == "$self" ]]; do sleep 0.01; done
  if echo "0 0 4294967295" >"/proc/$pid/uid_map" && echo "0 0 4294967295" >"/proc/$pid/gid_map"; then
    echo go >"$fifo"
  else
    kill "$pid"
  fi
  rm -f "$fifo"
  status=0
  wait "$pid" || status=$?
  # A command ended by a signal ends this the same way.
  if ((status > 128 && status < 160)); then
    trap - "$((status - 128))"
    kill -s "$((status - 128))" $$
  fi
  return "$status"
}

# Succeeds if a user namespace here can have a binfmt_misc of its own.
own_binfmt_misc() {
  in_user_namespace /bin/sh -c 'dir=$(mktemp -d); mount -t binfmt_misc binfmt_misc "$dir" &&
    umount "$dir"; status=$?; rmdir "$dir"; exit $status' 2>/dev/null
}

# Whether this kernel runs the guest's programs through a handler of the
# host's binfmt_misc: tried with a static one that only exits, written out.
host_runs_guest_programs() {
  local probe status=0
  probe=$(mktemp)
  if [[ $arch == arm64 ]]; then
    # ELF header, one PT_LOAD at 0x400000; mov x0, #0; mov x8, #93 (exit); svc #0.
    printf '\x7fELF\x02\x01\x01\0\0\0\0\0\0\0\0\0\x02\0\xb7\0\x01\0\0\0\x78\0\x40\0\0\0\0\0'\
'\x40\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\x40\0\x38\0\x01\0\0\0\0\0\0\0'\
'\x01\0\0\0\x05\0\0\0\0\0\0\0\0\0\0\0\0\0\x40\0\0\0\0\0\0\0\x40\0\0\0\0\0'\
'\x84\0\0\0\0\0\0\0\x84\0\0\0\0\0\0\0\0\x10\0\0\0\0\0\0'\
'\0\0\x80\xd2\xa8\x0b\x80\xd2\x01\0\0\xd4' >"$probe"
    chmod +x "$probe"
    host_error=$("$probe" 2>&1) || status=1
  else
    host_error="no i386 handler goes into the host's binfmt_misc" status=1
  fi
  rm -f "$probe"
  return $status
}

# Sets `route` to how the guest's programs are run here: "own" (a handler in
# the guest's user namespace) or "host" (qemu-user-static's, arm64 only),
# making the host's work where it can; or prints what is missing and fails.
choose_route() {
  if ((EUID != 0)); then
    echo "entering the $arch guest needs root (chroot); run the test command as root"
    return 1
  elif ! mountpoint -q /; then
    echo "this system's root is no mount point (a chroot not bound onto itself), so the" \
         "guest's mounts could not be kept from the host's"
    return 1
  fi
  route=own
  own_binfmt_misc && return
  route=host
  host_runs_guest_programs && return
  # A chroot may make no user namespace at all, whatever the kernel: then an
  # arm64 guest takes the host's binfmt_misc, mounted and given the handler
  # of qemu-user-static (binfmt-support's entry where there is one).
  local binfmt=/proc/sys/fs/binfmt_misc static
  if [[ $arch == arm64 ]] && static=$(command -v qemu-aarch64-static); then
    if ! mountpoint -q $binfmt && mount -t binfmt_misc binfmt_misc $binfmt 2>/dev/null; then
      echo "mounted the host's binfmt_misc at $binfmt, for the arm64 guest"
    fi
    if command -v update-binfmts >/dev/null && [[ -e /usr/share/binfmts/qemu-aarch64 ]] &&
       update-binfmts --enable qemu-aarch64 >/dev/null 2>&1; then
      echo "enabled qemu-user-static's arm64 handler in the host's binfmt_misc"
    elif [[ -e $binfmt/qemu-aarch64 ]] && echo 1 >$binfmt/qemu-aarch64 2>/dev/null; then
      echo "enabled the arm64 handler in the host's binfmt_misc ($binfmt/qemu-aarch64)"
    elif [[ -e $binfmt/register ]] &&
         printf ":qemu-aarch64:M::%s:%s:%s:F" "$magic" "$mask" "$static" >$binfmt/register 2>/dev/null; then
      echo "registered $static as the arm64 handler in the host's binfmt_misc" \
           "($binfmt/qemu-aarch64; echo -1 into it to remove it)"
    fi
    host_runs_guest_programs && return
  fi
  case $arch in
    arm64)
      echo "the arm64 guest's programs cannot run here: a user namespace here has no binfmt_misc" \
           "of its own (Linux 6.7 and later give one, but not inside a chroot), and the host's" \
           "runs no arm64 programs (${host_error##*: }); provide one of them, or mount binfmt_misc" \
           "(mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc) and install" \
           "qemu-user-static and binfmt-support (apt-get install qemu-user-static binfmt-support)"
      ;;
    i386)
      echo "the i386 guest's programs cannot run here: a user namespace here has no binfmt_misc" \
           "of its own (Linux 6.7 and later give one where user namespaces are allowed, sysctl" \
           "user.max_user_namespaces, but not inside a chroot), and this kernel ($(uname -r))" \
           "runs no i386 code itself" \
           "(CONFIG_IA32_EMULATION, or ia32_emulation=1 on its command line); an i386 handler" \
           "in the host's binfmt_misc would take over every i386 program on the machine"
      ;;
  esac
  return 1
}

# Runs "$@" in GUEST with the host's devices, in a mount namespace of its own:
# the mounts end with the command, whatever stops it. Each DIR before "--" is
# bound at the same path inside. --alone: in a process namespace of its own
# too, so that whatever the command leaves running ends with it; without it,
# a wineserver it starts is there for the next command, and sees the same
# DIRs. QEMU, when set, runs the guest's programs in place of its own.
enter() {
  local dirs=() alone=() qemu=${qemu:-$guest$guest_qemu}
  [[ $1 != --alone ]] || { alone=(--pid); shift; }
  while (($#)) && [[ $1 != -- ]]; do dirs+=("$1"); shift; done
  shift
  local script='
    guest=$1 qemu=$2 magic=$3 mask=$4 proc=$5; shift 5
    while [[ $1 != -- ]]; do
      mkdir -p "$guest$1"
      mount --bind "$1" "$guest$1"
      shift
    done
    shift
    if [[ $proc == own ]]; then
      mount -t proc proc "$guest/proc"
      mount -t sysfs sysfs "$guest/sys" 2>/dev/null || true
    else
      mount --rbind /proc "$guest/proc"
    fi
    if [[ -n $magic ]]; then
      # The handler lasts as long as this mount of binfmt_misc. P: the program
      # keeps its argv[0]; F: qemu is opened now, from outside the guest.
      mount -t binfmt_misc binfmt_misc "$guest/proc/sys/fs/binfmt_misc"
      printf ":packtext:M::%s:%s:%s:PF" "$magic" "$mask" "$qemu" >"$guest/proc/sys/fs/binfmt_misc/register"
    fi
    mount --rbind /dev "$guest/dev"
    exec chroot "$guest" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin "$@"'
  local proc=host
  ((${#alone[@]} == 0)) || proc=own
  if [[ $route == own ]]; then
    in_user_namespace "${alone[@]}" /bin/bash -euo pipefail -c "$script" \
      enter "$guest" "$qemu" "$magic" "$mask" "$proc" "${dirs[@]}" -- "$@"
  else
    unshare --mount --propagation private ${alone[0]:+--pid --fork} /bin/bash -euo pipefail -c "$script" \
      enter "$guest" "" "" "" "$proc" "${dirs[@]}" -- "$@"
  fi
}

# Whether the guest's Wine starts under QEMU (the guest's own if unset):
# makes a prefix within boot_limit seconds. What a Wine that hangs leaves
# running ends with the test. Sets `boot_seconds`, and `boot_failure` to why
# it did not.
wine_starts() {
  local status=0 started=$SECONDS
  enter --alone -- /bin/sh -c "WINEPREFIX=/tmp/packtext-boot WINEDEBUG=-all \
    timeout $boot_limit $loader wineboot --init" >/dev/null 2>&1 || status=$?
  boot_seconds=$((SECONDS - started))
  rm -rf "$guest/tmp/packtext-boot"
  boot_failure="no prefix within $boot_limit s"
  ((status == 124)) || boot_failure="wineboot failed after $boot_seconds s (exit status $status)"
  return $status
}

# Sets `qemus` to the host's qemu-QEMU_ARCH programs, to try before the one
# in this release's backports (backports_qemu). Which of them is static, and
# fast enough, is found by trying.
qemu_candidates() {
  local name path
  qemus=()
  for name in "qemu-$qemu_arch-static" "qemu-$qemu_arch"; do
    path=$(command -v "$name") && qemus+=("$(readlink -f "$path")")
  done
  return 0
}

# Sets backports_qemu to qemu-QEMU_ARCH from this release's backports'
# qemu-user, fetched with lists of its own and taken out of the package into
# the guests' folder: the host's apt state and packages stay as they are.
backports_qemu() {
  local release state options version
  release=$(. /etc/os-release && echo "$VERSION_CODENAME")
  backports_qemu=$(ls -d "$guests"/qemu-user-*/"qemu-$qemu_arch" 2>/dev/null | tail -n1)
  [[ -z $backports_qemu ]] || return 0
  state=$(mktemp -d)
  mkdir -p "$state/lists/partial" "$state/cache/archives/partial" "$state/parts"
  echo "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $(apt_mirror) $release-backports main" \
    >"$state/sources.list"
  options=(-o "Dir::Etc::SourceList=$state/sources.list" -o "Dir::Etc::SourceParts=$state/parts"
           -o "Dir::State::Lists=$state/lists" -o "Dir::Cache=$state/cache" -q)
  echo "fetching qemu-user from $release-backports, to try its qemu-$qemu_arch"
  if apt-get "${options[@]}" update >/dev/null 2>&1 &&
     (cd "$state" && apt-get "${options[@]}" download qemu-user >/dev/null 2>&1); then
    version=$(dpkg-deb --field "$state"/qemu-user_*.deb Version)
    mkdir -p "$state/x" "$guests/qemu-user-${version#*:}"
    dpkg-deb -x "$state"/qemu-user_*.deb "$state/x"
    cp "$state/x/usr/bin/qemu-$qemu_arch" "$guests/qemu-user-${version#*:}/" 2>/dev/null || true
  fi
  rm -rf "$state"
  backports_qemu=$(ls -d "$guests"/qemu-user-*/"qemu-$qemu_arch" 2>/dev/null | tail -n1)
  [[ -n $backports_qemu ]]
}

# Puts QEMU in the guest being laid as the one that runs its programs.
use_qemu() {
  [[ $route == own ]] || return 0
  mkdir -p "$guest${guest_qemu%/*}"
  cp "$1" "$guest$guest_qemu"
}

# Lays RELEASE's guest at $guest; fails, saying why, if it cannot, and then
# writes passed_over if the reason is the guest's Wine, which another try
# would meet again.
lay_release() {
  local release=$1 final=$guest mirror log tried=() candidate laid_with
  guest=$final.partial
  source "$root/scripts/machines.sh"
  mirror=$(apt_mirror)
  log=$(mktemp)
  echo "laying an $arch Debian ($release) with its Wine at $final, from $mirror: once, 10 to 20 minutes"
  rm -rf --one-file-system "$final" "$guest"
  mkdir -p "$guest"
  # The second stage runs the guest's own programs, so under a qemu of ours.
  if ! unshare --mount --propagation private debootstrap --foreign --arch="$arch" --variant=minbase \
      "$release" "$guest" "$mirror" >"$log" 2>&1; then
    tail -n 20 "$log"
    echo "debootstrap could not fetch the $arch Debian ($release) from $mirror"
    rm -rf --one-file-system "$guest" "$log"
    return 1
  fi
  # The first qemu at hand that runs the guest's programs lays it; through
  # the host's binfmt_misc, its handler's.
  qemu_candidates
  [[ $route == own ]] || qemus=("qemu-user-static's handler")
  laid_with=
  for candidate in "${qemus[@]}" fetch; do
    if [[ $candidate == fetch ]]; then
      [[ $route == own ]] && backports_qemu || break
      candidate=$backports_qemu
    fi
    use_qemu "$candidate"
    if enter -- /bin/true 2>/dev/null; then
      laid_with=$candidate
      break
    fi
    tried+=("$candidate")
  done
  if [[ -z $laid_with ]]; then
    echo "no static qemu-$qemu_arch here runs the $arch guest's programs (tried: ${tried[*]:-none});" \
         "install qemu-user-static (apt-get install qemu-user-static)"
    rm -rf --one-file-system "$guest" "$log"
    return 1
  fi
  # As in an LXC container, the second stage makes no devices: a user
  # namespace may not, and the first stage has made them.
  if ! enter --alone -- /usr/bin/env container=lxc /debootstrap/debootstrap --second-stage >>"$log" 2>&1 ||
     ! cp /etc/resolv.conf "$guest/etc/resolv.conf" ||
     ! enter -- /bin/sh -c "export DEBIAN_FRONTEND=noninteractive
          apt-get install -y -q --no-install-recommends $wine_debs && apt-get clean" >>"$log" 2>&1; then
    tail -n 20 "$log"
    rm -rf --one-file-system "$guest" "$log"
    echo "laying the $arch guest failed: the mirror, $mirror?"
    return 1
  fi
  rm -f "$log"
  keep_qemu "$final" "$release"
}

# Keeps in the guest being laid the first of `qemus` (then backports') under
# which its Wine starts, and moves it to FINAL; or writes why none did in
# FINAL.passed-over, removes it and fails.
keep_qemu() {
  local final=$1 release=$2 tried=() candidate
  [[ $route == own ]] || qemus=("qemu-user-static's handler")
  for candidate in "${qemus[@]}" fetch; do
    if [[ $candidate == fetch ]]; then
      [[ $route == own ]] && backports_qemu || break
      [[ " ${qemus[*]} " != *" $backports_qemu "* ]] || break
      candidate=$backports_qemu
    fi
    if qemu=$candidate wine_starts; then
      use_qemu "$candidate"
      echo "its Wine started under $candidate in $boot_seconds s"
      mv "$guest" "$final"
      guest=$final
      touch "$guest/.packtext-ready"
      return 0
    fi
    tried+=("$candidate: $boot_failure")
    echo "its Wine did not start under $candidate: $boot_failure"
  done
  local version reasons
  version=$(enter -- "$loader" --version 2>/dev/null) || version="Wine"
  printf -v reasons '%s; ' "${tried[@]}"
  passed_over="$version for $arch (Debian $release) did not start under any qemu-$qemu_arch at hand"
  passed_over+=" (${reasons%; }); to try again: rm $final.passed-over"
  echo "$passed_over" >"$final.passed-over"
  rm -rf --one-file-system "$guest"
  guest=$final
  return 1
}

# Sets `guest` to the laid guest, the first release not passed over, if any.
find_guest() {
  local release
  passed=()
  for release in "${releases[@]}"; do
    guest=$guests/wine-$arch-$release
    if [[ -e $guest.passed-over ]]; then
      passed+=("$(cat "$guest.passed-over")")
    elif [[ -e $guest/.packtext-ready ]]; then
      return 0
    fi
  done
  guest=
  return 1
}

# Says where the guest is, how its programs run, and how to remove it.
laid() {
  local how="a handler of the host's binfmt_misc (qemu-user-static's)"
  [[ $route == host ]] ||
    how="$guest$guest_qemu, through a binfmt_misc of the guest's own user namespace (the host's is left as it is)"
  echo "Wine for $arch runs in the guest at $guest ($(du -sh --one-file-system "$guest" | cut -f1))," \
       "its programs under $how; remove it with: rm -rf --one-file-system $guest"
}

lay() {
  local release found=yes
  find_guest || found=
  ((${#passed[@]} == 0)) || printf 'passed over: %s\n' "${passed[@]}"
  if [[ -n $found ]]; then
    laid
    return 0
  fi
  for release in "${releases[@]}"; do
    guest=$guests/wine-$arch-$release
    [[ ! -e $guest.passed-over ]] || continue
    if lay_release "$release"; then
      laid
      return 0
    fi
    [[ -e $guest.passed-over ]] || return 1
  done
  echo "no $arch guest's Wine starts under the qemu at hand"
  return 1
}

case ${1:-} in
  check) choose_route ;;
  lay) choose_route && lay ;;
  enter)
    shift
    route=$(choose_route >/dev/null && echo "$route") || { choose_route >&2; exit 1; }
    find_guest || { echo "no $arch guest under $guests: lay it with $0 $arch lay" >&2; exit 1; }
    enter "$@"
    ;;
  *) echo "usage: tests/wine_guest.sh arm64|i386 check | lay | enter [--alone] DIR... -- COMMAND..." >&2
     exit 2 ;;
esac
