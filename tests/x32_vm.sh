#!/usr/bin/env bash
# Runs x32 programs, and the tests that run them, where this host's kernel
# runs no x32 code: in a virtual machine, qemu-system-x86_64 booting Debian's
# own amd64 kernel (its vmlinuz, taken out of linux-image-amd64's package,
# not installed) with syscall.x32=y, and an initramfs as its whole system.
# Software emulation where there is no /dev/kvm, so one boot runs every
# command of a run.
#
# The initramfs holds, at their own paths, busybox, this host's python3 with
# its standard library and the modules the checks import, and strace: laid
# once in $cache, outside any build tree. Each run adds the files its
# commands name, and tests/x32_vm_runner.py, which runs them one by one with
# /dev and /dev/pts mounted and sends each result back on a second
# serial port.
#
# usage: tests/x32_vm.sh lay
#          lays the cache (kernel and initramfs) if it is not there
#        tests/x32_vm.sh run RESULTS MANIFEST [FILE...]
#          boots once and runs each line of MANIFEST (a command, its words
#          separated by tabs), with each FILE (or folder) and every file a
#          command names copied in; the results go to RESULTS
#        tests/x32_vm.sh replay RESULTS COMMAND...
#          gives COMMAND's result from that run: its standard output and
#          error, the skips it noted (to PACKTEXT_SKIPPED_TESTS), its status
#        tests/x32_vm.sh exec COMMAND...
#          run and replay of one command: an emulator for a plain program
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cache=${PACKTEXT_X32_VM_CACHE:-/var/cache/packtext/x32-vm}
boot_limit=${PACKTEXT_X32_VM_LIMIT:-600}
python=/usr/bin/python3

# The host's files the initramfs holds, each under its own path: the
# standard library less its tests and GUI, the checks' modules, and the
# libraries that ldd names for every program and extension among them.
base_files() {
  local stdlib
  stdlib=$("$python" -c 'import sysconfig; print(sysconfig.get_paths()["stdlib"])')
  find "$stdlib" \( -name test -o -name tests -o -name idlelib -o -name tkinter \
    -o -name turtledemo -o -name ensurepip -o -name lib2to3 -o -name 'config-*' \) -prune \
    -o -type f -print
  find /usr/lib/python3/dist-packages/elftools /usr/lib/python3/dist-packages/capstone \
    /usr/lib/python3/dist-packages/pefile.py /usr/lib/python3/dist-packages/peutils.py \
    /usr/lib/python3/dist-packages/ordlookup -type f 2>/dev/null
  local programs=("$(readlink -f "$python")" "$(command -v strace)" /bin/busybox)
  programs+=("$stdlib"/lib-dynload/*.so /usr/lib/*/libcapstone.so*)
  printf '%s\n' "${programs[@]}"
  # ldd fails for the static busybox, having listed the others.
  { ldd "${programs[@]}" 2>/dev/null || true; } |
    awk '$2 == "=>" && $3 ~ /^\// { print $3 } $1 ~ /^\/.*ld-linux/ { print $1 }'
}

# What the cache was laid from: remade when any of it changes.
stamp() {
  dpkg-query --show --showformat='${Package} ${Version}\n' python3 strace busybox busybox-static \
    python3-pyelftools python3-capstone python3-pefile 2>/dev/null
  readlink -f "$python"
}

lay() {
  if [[ -f $cache/vmlinuz && -f $cache/base.cpio && $(stamp) == "$(cat "$cache/stamp" 2>/dev/null)" ]]; then
    echo "x32 virtual machine: kernel $(cat "$cache/kernel-version") in $cache; rm -rf $cache removes it"
    return
  fi
  local work image version path
  echo "laying the x32 virtual machine in $cache"
  mkdir -p "$cache"
  work=$(mktemp -d "$cache/lay.XXXXXX")
  trap 'rm -rf "$work"' RETURN
  if [[ ! -f $cache/vmlinuz ]]; then
    # The metapackage names the kernel's own package, which holds vmlinuz.
    (cd "$work" && apt-get download linux-image-amd64 2>&1 | grep -v unsandboxed) || true
    image=$(dpkg-deb --field "$work"/linux-image-amd64_*.deb Depends | grep -o 'linux-image-[^ ,]*' | head -n1)
    (cd "$work" && apt-get download "$image" 2>&1 | grep -v unsandboxed) || true
    mkdir "$work/kernel"
    dpkg-deb --fsys-tarfile "$work/$image"_*.deb | tar -x -C "$work/kernel" --wildcards './boot/vmlinuz-*'
    version=$(basename "$work"/kernel/boot/vmlinuz-*)
    mv "$work"/kernel/boot/vmlinuz-* "$cache/vmlinuz"
    echo "${version#vmlinuz-}" >"$cache/kernel-version"
  fi
  mkdir -p "$work/root"/{bin,dev,proc,tmp,lib64}
  base_files | sort -u | tar -c --dereference --absolute-names -T - -f - |
    tar -x -C "$work/root" --transform 's,^/,,'
  ln -sf "$(readlink -f "$python")" "$work/root$python"
  ln -sf busybox "$work/root/bin/sh"
  (cd "$work/root" && find . | LC_ALL=C sort | cpio --quiet -o -H newc -R 0:0) >"$cache/base.cpio.new"
  mv "$cache/base.cpio.new" "$cache/base.cpio"
  stamp >"$cache/stamp"
  echo "laid: kernel $(cat "$cache/kernel-version"), initramfs $(($(stat -c %s "$cache/base.cpio") / 1048576)) MB;" \
    "rm -rf $cache removes it"
}

# A field of the runner's line: base64, or "-" for nothing.
decoded() {
  [[ $1 == - ]] || base64 -d <<<"$1"
}

# The key of a command's result: the hash of its words, each ended by NUL.
key_of() {
  printf '%s\0' "$@" | sha256sum | cut -c1-32
}

run() {
  local results=$1 manifest=$2 work path status=0
  shift 2
  lay
  rm -rf "$results"
  mkdir -p "$results"
  work=$(mktemp -d "$results/boot.XXXXXX")
  mkdir -p "$work/root/x32-vm"
  cp "$here/x32_vm_runner.py" "$work/root/x32-vm/runner.py"
  cp "$manifest" "$work/root/x32-vm/manifest"
  cat >"$work/root/init" <<'INIT'
#!/bin/sh
/bin/busybox --install -s /bin
mount -t proc proc /proc
mount -t devtmpfs dev /dev
mkdir -p /dev/pts
mount -t devpts -o ptmxmode=0666 devpts /dev/pts
stty -F /dev/ttyS1 raw -echo
/usr/bin/python3 /x32-vm/runner.py /x32-vm/manifest >/dev/ttyS1
reboot -f
INIT
  chmod +x "$work/root/init"
  # Every file a command names, and each one asked for, at its own path.
  {
    printf '%s\n' "$@"
    tr '\t' '\n' <"$manifest"
  } | while read -r path; do
    [[ $path == /* && -e $path ]] || continue
    mkdir -p "$work/root$(dirname "$path")"
    cp -rL "$path" "$work/root$(dirname "$path")/"
  done
  (cd "$work/root" && find . | LC_ALL=C sort | cpio --quiet -o -H newc -R 0:0) >"$work/run.cpio"
  cat "$cache/base.cpio" "$work/run.cpio" >"$work/initramfs.cpio"
  rm -rf "$work/root" "$work/run.cpio"
  local started=$SECONDS
  timeout "$boot_limit" qemu-system-x86_64 -nodefaults -display none -no-reboot -cpu max -smp 1 -m 1024 \
    -kernel "$cache/vmlinuz" -initrd "$work/initramfs.cpio" \
    -append "console=ttyS0 syscall.x32=y panic=-1 quiet" \
    -serial "file:$results/console.log" -serial "file:$work/results.txt" || status=$?
  rm -f "$work/initramfs.cpio"
  if ((status != 0)); then
    echo "x32 virtual machine: qemu-system-x86_64 ended with status $status" \
      "(time limit ${boot_limit}s); its console: $results/console.log"
    return 1
  fi
  # RESULT key status seconds, then standard output, error and skips in base64.
  local count=0 kind key seconds out err skips
  while read -r kind key status seconds out err skips; do
    [[ $kind == RESULT ]] || continue
    count=$((count + 1))
    echo "  $seconds s, status $status: $(sed -n "${count}p" "$manifest" | tr '\t' ' ')"
    echo "$status" >"$results/$key.status"
    decoded "$out" >"$results/$key.stdout"
    decoded "$err" >"$results/$key.stderr"
    decoded "$skips" >"$results/$key.skips"
  done < <(tr -d '\r' <"$work/results.txt")
  rm -rf "$work"
  echo "x32 virtual machine: kernel $(cat "$cache/kernel-version"), $count of" \
    "$(grep -c . "$manifest") commands run in $((SECONDS - started)) s"
  ((count == $(grep -c . "$manifest"))) || {
    echo "x32 virtual machine: not every command reported; its console: $results/console.log"
    return 1
  }
}

replay() {
  local results=$1 key status
  shift
  key=$(key_of "$@")
  if [[ ! -f $results/$key.status ]]; then
    echo "no result from the x32 virtual machine for: $*" >&2
    echo "(the run that sets it up failed, or was not run: see $results/console.log)" >&2
    return 1
  fi
  cat "$results/$key.stdout"
  cat "$results/$key.stderr" >&2
  if [[ -s $results/$key.skips && -n ${PACKTEXT_SKIPPED_TESTS:-} ]]; then
    cat "$results/$key.skips" >>"$PACKTEXT_SKIPPED_TESTS"
  fi
  status=$(<"$results/$key.status")
  return "$status"
}

case ${1:-} in
  lay) lay ;;
  run) shift && run "$@" ;;
  replay) shift && replay "$@" ;;
  exec)
    shift
    results=$(mktemp -d)
    trap 'rm -rf "$results"' EXIT
    (IFS=$'\t' && echo "$*") >"$results/manifest"
    run "$results/vm" "$results/manifest" >&2
    replay "$results/vm" "$@"
    ;;
  *)
    echo "usage: tests/x32_vm.sh lay | run RESULTS MANIFEST [FILE...] | replay RESULTS COMMAND... | exec COMMAND..." >&2
    exit 2
    ;;
esac
