#!/usr/bin/env bash
# scripts/runs-i386 against package databases of the test's own
# (DPKG_ADMINDIR): a dynamically linked i386 program runs natively only with
# the i386 C and C++ libraries, a 32-bit Windows one only with Wine's 32-bit
# part, each refusal naming what is missing; a static one asks the kernel
# alone. Where the kernel runs no i386 code, every answer is no.
set -euo pipefail
runs_i386=$(cd "$(dirname "$0")/.." && pwd)/scripts/runs-i386
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
kernel=yes
"$runs_i386" static "$work" >/dev/null || kernel=no

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
failures=()
for case in "${cases[@]}"; do
  IFS='|' read -r packages question expected <<<"$case"
  database=$(mktemp -d "$work/dpkg.XXXXXX")
  for package in $packages; do
    printf 'Package: %s\nStatus: install ok installed\nArchitecture: i386\nMulti-Arch: same\n%s\n\n' \
      "$package" "Version: 1"$'\n'"Maintainer: none"$'\n'"Description: none"
  done >"$database/status"
  answer=$(DPKG_ADMINDIR=$database "$runs_i386" "$question" "$work") && status=0 || status=$?
  [[ $kernel == yes ]] || expected=no
  case $expected in
    yes) ((status == 0)) ;;
    no) ((status == 1)) ;;
    *) ((status == 1)) && [[ $answer == *"$expected"* ]] ;;
  esac || failures+=("$question, i386 packages: ${packages:-none}: status $status, $answer")
done
((${#failures[@]} == 0)) || printf 'FAIL %s\n' "${failures[@]}"
echo "$((${#cases[@]} - ${#failures[@]})) of ${#cases[@]} cases as expected (kernel runs i386 code: $kernel)"
((${#failures[@]} == 0))
