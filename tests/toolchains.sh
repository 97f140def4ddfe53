#!/usr/bin/env bash
# Builds every Linux program this Debian has a compiler for, with the row's
# GCC and with clang where clang knows the triple, and checks each: the
# target's ELF machine, the exact text, exit status 0, the whole text into a
# full non-blocking pipe (the wait's system call, whose arguments a compiler
# may get wrong: clang 14 at -O0 cut sparc64's pointers to 32 bits), and
# nothing for a loader or C runtime to do first (no interpreter, no
# relocation, no start-up work; the build refuses the last two itself). A
# program the host cannot run goes through qemu-user, or for x32 a virtual
# machine that runs every x32 case in one boot (emulator_for in
# scripts/machines.sh).
#
# x86-64 and i386: both compilers at -O0, -O1, -O2, -O3, -Os, -O2 -flto and
# -O2 -fno-builtin, and GCC without linker relaxation. Other targets: GCC at
# all those levels, clang at -O0 and -O2, which between them meet a helper
# called through a GOT (-O0) and a flag the compiler refuses for the target.
# A tree per target and compiler holds its cases; trees are built side by
# side, one per processor.
# usage: tests/toolchains.sh [WORK_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-$root/build/toolchains}
rm -rf "$work"
mkdir -p "$work"
source "$root/scripts/machines.sh"

levels=(-O0 -O1 -O2 -O3 -Os "-O2 -flto" "-O2 -fno-builtin")

# Debian's interpreter, which has the ELF library that program_checks.py reads.
python=/usr/bin/python3
[[ -x $python ]] || python=$(command -v python3)
checks=$root/tests/e2e/program_checks.py
states=$root/tests/e2e/stdout_states.py

# Succeeds where clang builds an object of the stand-in's system calls for
# PRESET, or where its front end refuses them, which the cases then show;
# fails, with the assembler's first error in `found`, where it reads them but
# cannot assemble them (clang 14's m68k assembler has no `trap`).
clang_assembles() {
  local compile=(clang++ --target="${target[$1.triple]}" -std=c++20 -I"$root"
    -DPACKTEXT_ARCH_HEADER="\"platform/linux/arch/${target[$1.header]}\""
    "$root/platform/linux/kernel32.cpp")
  "${compile[@]}" -fsyntax-only 2>/dev/null || return 0
  found=$("${compile[@]}" -c -o /dev/null 2>&1) && return 0
  found=$(grep -m1 'error:' <<<"$found" || echo "${found%%$'\n'*}")
  found=${found#"$root/"}
  return 1
}

# Sets `cases` for PRESET, each "compiler|flags|extra link flags" (g++: the
# triple's own).
preset_cases() {
  local triple=${target[$1.triple]} x86= level
  [[ ${target[$1.machine]} == @(EM_X86_64|EM_386) ]] && x86=1
  cases=()
  for level in "${levels[@]}"; do cases+=("g++|$level|"); done
  [[ -z $x86 ]] || cases+=("g++|-O2|-Wl,--no-relax")
  if ! clang++ --target="$triple" -fsyntax-only -x c++ /dev/null 2>/dev/null; then
    echo "$1: clang cases left out: clang++ builds nothing for $triple here"
    skipped=$((skipped + 1))
  elif ! clang_assembles "$1"; then
    echo "$1: clang cases left out: clang++ reads the system calls of ${target[$1.header]}" \
      "but cannot assemble them for $triple here: $found"
    skipped=$((skipped + 1))
  elif [[ -n $x86 ]]; then
    for level in "${levels[@]}"; do cases+=("clang++|$level|"); done
  else
    cases+=("clang++|-O0|" "clang++|-O2|")
  fi
}

# Configures one tree for PRESET and COMPILER with a configuration of its
# own per case, NUMBER|FLAGS|LINK_FLAGS (Ninja Multi-Config: the compiler is
# found once), then builds and checks each case.
run_group() {
  local build=$1 preset=$2 compiler=$3 triple=${target[$2.triple]} number flags link_flags
  local names=() options=() configured=yes
  shift 3
  [[ $compiler == g++ ]] && compiler=$triple-g++
  for case in "$@"; do
    IFS='|' read -r number flags link_flags <<<"$case"
    echo "$triple $compiler $flags $link_flags" >"$work/$number.case"
    names+=("c$number")
    options+=("-DCMAKE_CXX_FLAGS_C$number=$flags" "-DCMAKE_EXE_LINKER_FLAGS_C$number=$link_flags")
  done
  cmake -S "$root" -B "$build" -G "Ninja Multi-Config" --toolchain "$root/cmake/linux.cmake" \
    -DPACKTEXT_TRIPLE="$triple" -DCMAKE_CXX_COMPILER="$compiler" \
    -DCMAKE_CONFIGURATION_TYPES="$(IFS=';' && echo "${names[*]}")" "${options[@]}" \
    -DPACKTEXT_BUILD_TESTS=OFF >"$build.log" 2>&1 || configured=
  for case in "$@"; do
    run_case "$build" "$preset" "${case%%|*}" "$configured"
  done
}

# Builds and checks case NUMBER of BUILD (CONFIGURED empty where its tree
# was not); writes its verdict to NUMBER.result. A program for the x32
# virtual machine is only built and read here: NUMBER.pending names it, and
# check_run checks it once one boot has run them all.
run_case() {
  local build=$1 preset=$2 number=$3 configured=$4 problem= found
  local program=$build/bin/c$number/packtext
  if [[ -z $configured ]]; then
    problem="configure failed (log: $build.log)"
  elif ! cmake --build "$build" --config "c$number" --target packtext >"$work/$number.log" 2>&1; then
    problem="build failed (log: $work/$number.log)"
  elif ! found=$("$python" "$checks" elf-machine "$program" "${target[$preset.machine]}" \
    --and no-interpreter "$program" "${target[$preset.address]%%,*}" \
    --and no-relocations "$program" --and no-start-up-work "$program" 2>&1); then
    problem=$(grep -v ': ok$' <<<"$found") || problem=$found
    problem=${problem//$'\n'/; }
  elif [[ ${emulator[0]:-} == */x32_vm.sh ]]; then
    echo "$program" >"$work/$number.pending"
    return
  fi
  check_run "$number" "$program" "$problem"
}

# The program's whole text through a small non-blocking pipe; in the x32
# virtual machine, the pipe was set up there, and this gives that run's result.
pipe_case() {
  if [[ ${emulator[1]:-} == replay ]]; then
    "${emulator[@]}" /usr/bin/python3 "$states" --case small-non-blocking-pipe -- "$1"
  else
    "$python" "$states" --case small-non-blocking-pipe -- "${emulator[@]}" "$1"
  fi
}

# Runs case NUMBER's PROGRAM (unless PROBLEM is already found) and checks
# what it wrote; writes the verdict to NUMBER.result.
check_run() {
  local case=$work/$1 program=$2 problem=$3 found status
  if [[ -n $problem ]]; then
    :
  elif "${emulator[@]}" "$program" >"$case.out"; status=$?; ((status != 0)); then
    problem="exit status $status"
  elif ! cmp -s "$case.out" "$root/tests/expected-output"; then
    problem="wrote $(wc -c <"$case.out") bytes that are not the text"
  elif ! found=$(pipe_case "$program" 2>&1); then
    problem=$found
  fi
  if [[ -n $problem ]]; then
    echo "FAIL $(<"$case.case"): $problem"
  else
    echo "ok   $(<"$case.case")"
  fi >"$case.result"
}

slots=$(nproc)
total=0 skipped=0
for preset in "${presets[@]}"; do
  [[ ${target[$preset.system]} == linux && ${target[$preset.compiler]} == gcc ]] || continue
  if ! target_offered "$preset"; then
    echo "$target_missing"
    skipped=$((skipped + 1))
    continue
  fi
  emulator_for "$preset"
  if [[ ${emulator[0]:-} == */x32_vm.sh ]]; then
    echo "${target[$preset.triple]} programs run in one boot of the x32 virtual machine"
  elif ((${#emulator[@]})); then
    echo "${target[$preset.triple]} programs run under ${emulator[*]}"
  fi
  preset_cases "$preset"
  for compiler in g++ clang++; do
    group=()
    for case in "${cases[@]}"; do
      [[ ${case%%|*} == "$compiler" ]] || continue
      group+=("$total|${case#*|}")
      total=$((total + 1))
    done
    ((${#group[@]})) || continue
    while (($(jobs -rp | wc -l) >= slots)); do wait -n || true; done
    run_group "$work/$preset-$compiler" "$preset" "$compiler" "${group[@]}" &
  done
done
wait
# The x32 programs built for the virtual machine, run there in one boot.
pending=()
for ((i = 0; i < total; i++)); do
  [[ ! -f $work/$i.pending ]] || pending+=("$i")
done
if ((${#pending[@]})); then
  for i in "${pending[@]}"; do
    program=$(<"$work/$i.pending")
    echo "$program"
    printf '%s\t' /usr/bin/python3 "$states" --case small-non-blocking-pipe --
    echo "$program"
  done >"$work/x32-vm.manifest"
  problem=
  "$root/tests/x32_vm.sh" run "$work/x32-vm" "$work/x32-vm.manifest" "$root/tests/e2e" \
    "$root/tests/expected-output" ||
    problem="the x32 virtual machine failed"
  emulator=("$root/tests/x32_vm.sh" replay "$work/x32-vm")
  for i in "${pending[@]}"; do
    program=$(<"$work/$i.pending")
    check_run "$i" "$program" "$problem"
  done
fi
failed=0
for ((i = 0; i < total; i++)); do
  cat "$work/$i.result"
  [[ $(<"$work/$i.result") == ok* ]] || failed=$((failed + 1))
done
echo "$((total - failed)) passed, $failed failed, $skipped skipped, in ${SECONDS}s"
# A target or a compiler left out counts as one skipped case.
[[ -z ${PACKTEXT_COUNTS:-} ]] || echo "$((total - failed)) $failed $skipped" >"$PACKTEXT_COUNTS"
((failed == 0))
