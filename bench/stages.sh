#!/usr/bin/env bash
# Where a run of packtext spends its time, stage by stage: builds
# bench/stage_probe.cpp with the program's own code for linux-x64 and
# linux-x86, runs each many times, and writes the median of each stage's
# time-stamp-counter ticks, and in µs, to bench/results/stages.md. Where this
# host runs no i386 code, the i386 columns are left out, saying why.
#
# Usage: bench/stages.sh   (RUNS=2000 by default)
set -euo pipefail
source "$(dirname "$0")/setup.sh"
runs=${RUNS:-2000}
arches=(x64)
if [[ -n $no_i386 ]]; then
  echo "The i386 stages are not timed: $no_i386"
else
  arches+=(x86)
fi

# The rate of the time-stamp counter, from the kernel's calibration when it
# can be read, else the processor's nominal clock.
mhz=$(dmesg 2>/dev/null | sed -n 's/.*tsc: Detected \([0-9.]*\) MHz.*/\1/p' | head -1)
[[ -n $mhz ]] || mhz=$(awk -F': *' '/^cpu MHz/ { print $2; exit }' /proc/cpuinfo)

# Compiled and linked as the program is; the probe takes ProgramEntry's place.
flags=(-std=c++20 -O2 -fPIE -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
  -fno-unwind-tables -fno-stack-protector -fno-stack-clash-protection -fcf-protection=none
  -Wall -Wextra -Werror -I "$root")
# shellcheck disable=SC2054 # the commas are the linker's
link=(-static-pie -nostdlib -nostartfiles -Wl,--gc-sections -Wl,-z,noexecstack
  -Wl,-z,noseparate-code -s)
source scripts/machines.sh
source scripts/project.sh
for arch in "${arches[@]}"; do
  preset=linux-$arch
  build_preset "$preset" "$work/programs/$preset" >/dev/null
  "${target[$preset.triple]}-g++" "${flags[@]}" "${link[@]}" -Wl,--entry=ProgramEntry \
    "-DPACKTEXT_ARCH_HEADER=\"platform/linux/arch/${target[$preset.header]}\"" \
    -o "$work/stage_probe-$arch" bench/stage_probe.cpp "$work/programs/$preset/libpacktext_core.a"
done

stages=(source-page text-page-1 text-page-2 spread length write-file syscall)
for arch in "${arches[@]}"; do
  "$work/stage_probe-$arch" | cmp - tests/expected-output
  for ((i = 0; i < runs; i++)); do "$work/stage_probe-$arch" >/dev/null; done 2>"$work/stages-$arch.tsv"
done

# Median of column $2 of file $1.
median() {
  cut -f "$2" "$1" | sort -n | awk '{ v[NR] = $1 } END { print (v[int((NR + 1) / 2)] + v[int(NR / 2) + 1]) / 2 }'
}
{
  echo "# Where a run's time goes, stage by stage"
  echo
  echo "bench/stage_probe.cpp in ProgramEntry's place, linked with the program's own code,"
  echo "$runs runs each, output to /dev/null: the median of each stage's time-stamp-counter"
  echo "ticks, and that in µs at $mhz MHz. A page's first touch includes its page fault."
  echo "System calls enter the kernel with \`syscall\` (x86-64) and \`int \$0x80\` (i386)."
  echo
  declare -A title=([x64]=x86-64 [x86]=i386)
  printf '| stage |'
  for arch in "${arches[@]}"; do printf ' %s ticks | %s µs |' "${title[$arch]}" "${title[$arch]}"; done
  printf '\n| --- |'
  for arch in "${arches[@]}"; do printf ' ---: | ---: |'; done
  echo
  for i in "${!stages[@]}"; do
    printf '| %s |' "${stages[i]}"
    for arch in "${arches[@]}"; do
      awk -v a="$(median "$work/stages-$arch.tsv" $((i + 1)))" -v f="$mhz" \
        'BEGIN { printf " %d | %.2f |", a, a / f }'
    done
    echo
  done
  if [[ -n $no_i386 ]]; then
    echo
    echo "The i386 columns are left out: $no_i386."
    echo "The probe times an i386 program natively, which an emulator cannot stand in for."
  fi
  echo
  stamp
  echo "- load after: $(uptime | sed 's/.*load average: //')"
} >"$results/stages.md"
cat "$results/stages.md"
