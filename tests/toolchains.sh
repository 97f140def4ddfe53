#!/usr/bin/env bash
# Builds the x86-64 and i386 programs with every supported compiler at every
# optimisation level, with link-time optimisation, with -fno-builtin and
# without linker relaxation, and checks each: the target's ELF machine, the
# exact text, exit status 0, and no relocation left in the file (the build
# itself refuses one too). A program the host cannot run goes through
# qemu-user (emulator_for in scripts/machines.sh).
# usage: tests/toolchains.sh [WORK_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-$root/build/toolchains}
rm -rf "$work"
mkdir -p "$work"
source "$root/scripts/machines.sh"

# Each case: the compiler (g++: the triple's own), its flags, extra link flags.
cases=()
for compiler in g++ clang++; do
  for level in -O0 -O1 -O2 -O3 -Os; do cases+=("$compiler|$level|"); done
  cases+=("$compiler|-O2 -flto|" "$compiler|-O2 -fno-builtin|")
done
cases+=("g++|-O2|-Wl,--no-relax")

# Debian's interpreter, which has the ELF library that program_checks.py reads.
python=/usr/bin/python3
[[ -x $python ]] || python=$(command -v python3)
checks=$root/tests/e2e/program_checks.py
failed=0
total=0
# The x86 targets' rows, each built here by its GCC and by clang.
for preset in "${presets[@]}"; do
  triple=${target[$preset.triple]}
  elf=${target[$preset.machine]}
  [[ ${target[$preset.compiler]} == gcc && $elf == @(EM_X86_64|EM_386) ]] || continue
  emulator_for "$preset"
  ((${#emulator[@]} == 0)) || echo "$triple programs run under ${emulator[*]}"
  for case in "${cases[@]}"; do
    IFS='|' read -r compiler flags link_flags <<<"$case"
    [[ $compiler == g++ ]] && compiler=$triple-g++
    name="$triple $compiler $flags $link_flags"
    build="$work/$total"
    total=$((total + 1))
    problem=
    if ! cmake -S "$root" -B "$build" -G Ninja --toolchain "$root/cmake/linux.cmake" \
        -DPACKTEXT_TRIPLE="$triple" -DCMAKE_CXX_COMPILER="$compiler" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="$flags" \
        -DCMAKE_EXE_LINKER_FLAGS="$link_flags" -DPACKTEXT_BUILD_TESTS=OFF \
        >"$build.log" 2>&1 || ! cmake --build "$build" --target packtext >>"$build.log" 2>&1; then
      problem="build failed (log: $build.log)"
    else
      program=$build/bin/packtext
      if ! found=$("$python" "$checks" elf-machine "$program" "$elf" 2>&1); then
        problem="not an $elf program: $found"
      elif "${emulator[@]}" "$program" >"$build.out"; status=$?; ((status != 0)); then
        problem="exit status $status"
      elif ! cmp -s "$build.out" "$root/tests/expected-output"; then
        problem="wrote $(wc -c <"$build.out") bytes that are not the text"
      elif ! relocations=$("$python" "$checks" no-relocations "$program" 2>&1); then
        problem="relocations left in the program: $relocations"
      fi
    fi
    if [[ -n $problem ]]; then
      echo "FAIL $name: $problem"
      failed=$((failed + 1))
    else
      echo "ok   $name"
    fi
  done
done
echo "$((total - failed)) passed, $failed failed"
((failed == 0))
