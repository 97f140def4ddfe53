#!/usr/bin/env bash
# scripts/runs-i386 against package databases of the test's own
# (DPKG_ADMINDIR), on either kind of kernel, played by a probe that runs or
# one that fails as execve does (PACKTEXT_I386_PROBE): where the kernel runs
# i386 code, a dynamically linked i386 program runs natively only with the
# i386 C and C++ libraries, a 32-bit Windows one only with Wine's 32-bit part,
# each refusal naming what is missing, and a static one always; where it runs
# none, every answer is no, saying so. Then the real probe on this kernel:
# its answer for a static program must be a plain yes or that refusal. On an
# x86-64 host.
set -euo pipefail
runs_i386=$(cd "$(dirname "$0")/.." && pwd)/scripts/runs-i386
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '#!/bin/sh\nexit 0\n' >"$work/runs"
printf '#!/bin/sh\necho "$0: Exec format error" >&2\nexit 126\n' >"$work/refuses"
chmod +x "$work/runs" "$work/refuses"

# Each case: the i386 packages installed, the question, and the answer on a
# kernel that runs i386 code: yes, or the package a refusal must name.
cases=(
  "|static|yes"
  "|dynamic|libc6:i386"
  "libc6|dynamic|libstdc++6:i386"
  "libc6 libstdc++6|dynamic|yes"
  "libc6 libstdc++6|wine|wine32:i386"
  "wine32|wine|yes"
)
failures=() total=0
for kernel in runs refuses; do
  for case in "${cases[@]}"; do
    IFS='|' read -r packages question expected <<<"$case"
    database=$(mktemp -d "$work/dpkg.XXXXXX")
    for package in $packages; do
      printf 'Package: %s\nStatus: install ok installed\nArchitecture: i386\nMulti-Arch: same\n%s\n\n' \
        "$package" "Version: 1"$'\n'"Maintainer: none"$'\n'"Description: none"
    done >"$database/status"
    answer=$(DPKG_ADMINDIR=$database PACKTEXT_I386_PROBE=$work/$kernel "$runs_i386" "$question" "$work") &&
      status=0 || status=$?
    [[ $kernel == runs ]] || expected="runs no i386 code (Exec format error)"
    case $expected in
      yes) ((status == 0)) ;;
      *) ((status == 1)) && [[ $answer == *"$expected"* ]] ;;
    esac || failures+=("kernel that $kernel, $question, i386 packages: ${packages:-none}: status $status, $answer")
    total=$((total + 1))
  done
done
answer=$("$runs_i386" static "$work") && status=0 || status=$?
{ ((status == 0)) && [[ -z $answer ]]; } || { ((status == 1)) && [[ $answer == *"runs no i386 code"* ]]; } ||
  failures+=("this kernel, static: status $status, $answer")
total=$((total + 1))
((${#failures[@]} == 0)) || printf 'FAIL %s\n' "${failures[@]}"
echo "$((total - ${#failures[@]})) of $total cases as expected (this kernel: ${answer:-runs i386 code})"
((${#failures[@]} == 0))
