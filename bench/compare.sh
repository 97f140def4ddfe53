#!/usr/bin/env bash
# Builds packtext and its peers, checks that they all write the same 8,000
# bytes, then times every program this machine runs natively, interleaved
# (bench/process_timer.cpp), counts their user-mode instructions (callgrind),
# times the Windows programs under Wine if it is there, runs the kernel
# benchmarks and the stages (bench/stages.sh), and writes the results, a
# chart and the goal checks to bench/results/, each file stamped with the
# commit, the machine and the date. Working files go to build/compare/.
#
# Usage: bench/compare.sh   (quicker, rougher: RUNS=300 REPEATS=1 bench/compare.sh)
set -euo pipefail
source "$(dirname "$0")/setup.sh"
runs=${RUNS:-3000}    # timed rounds per repeat; each round runs every program once
warmup=${WARMUP:-50}  # untimed rounds before them
repeats=${REPEATS:-3} # separate timings, to show how much a whole run moves
wine_runs=${WINE_RUNS:-20}

# i386 timings under an emulator would mean nothing beside a native floor, so
# where this host runs no i386 code the i386 rows are left out.
native=(x64)
if [[ -n $no_i386 ]]; then
  echo "The i386 programs are not timed: $no_i386"
else
  native+=(x86)
fi
for tool in cmake g++ valgrind gnuplot jq cmp; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool (scripts/install-deps compare)" >&2; exit 1; }
done
load_before=$(uptime)
# Prints a tab-separated table in columns.
show() { awk -F'\t' '{ printf "%-22s", $1; for (i = 2; i <= NF; i++) printf " %9s", $i; print "" }' "$1"; }

echo "== building"
# Every target's program alone, each whose compiler is here: linux-x64 and
# linux-x86 are timed, the Windows programs timed under Wine, all listed by size.
source scripts/machines.sh
source scripts/project.sh
programs=("${presets[@]}")
program_of() { echo "$work/programs/$1/bin/packtext"; }
declare -A not_built=()
for preset in "${programs[@]}"; do
  if ! target_offered "$preset"; then
    not_built[$preset]=${target_missing#*: }
  elif ! build_preset "$preset" "$work/programs/$preset" >"$work/build-$preset.log" 2>&1; then
    not_built[$preset]="its build failed ($work/build-$preset.log)"
  fi
  [[ -z ${not_built[$preset]:-} ]] || echo "$preset: not built: ${not_built[$preset]}"
done
# The compiler that built a preset's program, as CMake found it.
compiler_of() {
  local files=("$work/programs/$1"/CMakeFiles/*/CMakeCXXCompiler.cmake)
  [[ -f ${files[0]} ]] || return 0
  sed -n 's/^set(CMAKE_CXX_COMPILER_\(ID\|VERSION\) "\(.*\)")$/\2/p' "${files[0]}" | paste -sd ' '
}
for arch in "${native[@]}"; do
  preset=linux-$arch
  [[ -x $(program_of "$preset") ]] || { echo "$preset must be built to be timed" >&2; exit 1; }
done
g++ -std=c++20 -O2 -Wall -Wextra -Werror -o "$work/process_timer" bench/process_timer.cpp
g++ -std=c++20 -O2 -o "$work/iostream_peer" bench/peers/iostream_peer.cpp
# The floors, linked as packtext is: static-pie, no C runtime, nothing to
# relocate. One source, built for x86-64 and i386, plain and touching
# packtext's pages, and for i386 once more entering the kernel through the vDSO.
# shellcheck disable=SC2054 # the commas are the linker's
floor_flags=(-static-pie -nostdlib -nostartfiles -Wl,-z,noexecstack -Wl,-z,noseparate-code -s)
floor=bench/peers/floor.S
g++ "${floor_flags[@]}" -o "$work/floor-x64" "$floor"
g++ "${floor_flags[@]}" -DFLOOR_TOUCH_PAGES -o "$work/floor-x64+pages" "$floor"
if [[ -z $no_i386 ]]; then
  i686-linux-gnu-gcc "${floor_flags[@]}" -o "$work/floor-i386" "$floor"
  i686-linux-gnu-gcc "${floor_flags[@]}" -DFLOOR_TOUCH_PAGES -o "$work/floor-i386+pages" "$floor"
  i686-linux-gnu-gcc "${floor_flags[@]}" -DFLOOR_VDSO -o "$work/floor-i386-vdso" "$floor"
fi
# The file for cat, the text the tests expect, so the byte check below also
# checks packtext's own output.
cp tests/expected-output "$work/text.txt"

# Debian's interpreter, not a version-manager shim that would add a shell.
python=/usr/bin/python3
[[ -x $python ]] || python=$(command -v python3)

# Name, the program it is compared with, then the command, one field each,
# separated by tabs. Two groups, timed apart: the floors and packtext, each
# packtext compared with the floor of its own architecture (the +pages and
# vdso floors show where the difference goes); then the other peers, with the
# x86-64 floor timed again among them. A round with the peers in it slows the
# fast programs after them (their floors took about 150 µs a run instead of
# 120), and not all alike, so they do not share rounds with the goal's.
goal_programs=(
  "floor-x64	-	$work/floor-x64"
  "floor-x64+pages	floor-x64	$work/floor-x64+pages"
  "packtext-x64	floor-x64	$(program_of linux-x64)"
)
if [[ -z $no_i386 ]]; then
  goal_programs+=(
    "floor-i386	-	$work/floor-i386"
    "floor-i386+pages	floor-i386	$work/floor-i386+pages"
    "floor-i386-vdso	floor-i386	$work/floor-i386-vdso"
    "packtext-x86	floor-i386	$(program_of linux-x86)"
  )
fi
peer_programs=(
  "floor-x64, with peers	-	$work/floor-x64"
  "cat	floor-x64, with peers	$(command -v cat)	$work/text.txt"
  "bash-printf	floor-x64, with peers	$(command -v bash)	-c	printf \"A*%.0s\" {1..4000}"
  "python3	floor-x64, with peers	$python	-c	import sys; sys.stdout.write(\"A*\" * 4000)"
  "iostream	floor-x64, with peers	$work/iostream_peer"
)
printf '%s\n' "${goal_programs[@]}" >"$work/goal-programs.tsv"
printf '%s\n' "${peer_programs[@]}" >"$work/peer-programs.tsv"
cat "$work/goal-programs.tsv" "$work/peer-programs.tsv" >"$work/programs.tsv"
names=()
declare -A command_of
while IFS=$'\t' read -r name _ command; do
  names+=("$name")
  command_of[$name]=$command
done <"$work/programs.tsv"
# Runs program $1, with $2 before its command if given (a tool to run it under).
run() {
  local -a argv
  IFS=$'\t' read -r -a argv <<<"${command_of[$1]}"
  "${@:2}" "${argv[@]}"
}

echo "== checking that every program writes packtext's bytes"
run packtext-x64 >"$work/expected.out"
same=1
for name in "${names[@]}"; do
  run "$name" >"$work/$name.out"
  cmp "$work/$name.out" "$work/expected.out" || same=0
done
if ((!same)); then
  echo "outputs differ; nothing timed" >&2
  exit 1
fi

echo "== timing packtext and the floors: $repeats times $runs rounds, after $warmup warm-up rounds each time"
rm -f "$work"/samples.*.tsv "$work"/timing.*.tsv
for ((r = 1; r <= repeats; r++)); do
  "$work/process_timer" "$runs" "$warmup" "$work/goal-programs.tsv" "$work/samples.goal-$r.tsv" \
    >"$work/timing.goal-$r.tsv"
  echo "-- repeat $r, load after it: $(uptime | sed 's/.*load average: //')"
  show "$work/timing.goal-$r.tsv"
done
echo "== timing the other peers: $runs rounds, after $warmup warm-up rounds"
"$work/process_timer" "$runs" "$warmup" "$work/peer-programs.tsv" "$work/samples.peers.tsv" \
  >"$work/timing.peers.tsv"
show "$work/timing.peers.tsv"
load_after=$(uptime)

echo "== counting user-mode instructions (callgrind)"
declare -A instructions
for name in "${names[@]}"; do
  out="$work/callgrind.$name"
  run "$name" valgrind --tool=callgrind --callgrind-out-file="$out" >/dev/null 2>"$out.log"
  instructions[$name]=$(awk '/^totals:/ { print $2 }' "$out")
done

# The Windows programs under Wine, in a prefix of our own with one wineserver
# kept up for all runs. Timed as the Linux programs are, with fewer runs: each
# takes a good part of a second, nearly all of it Wine's start-up. The
# 64-bit program goes to Wine's 64-bit loader, which needs no i386 code;
# Debian's `wine` would start the i386 one whenever wine32 is installed.
wine64=/usr/lib/wine/wine64
declare -A wine_of=([AMD64]=$wine64)
if scripts/runs-i386 wine "$work" >/dev/null; then wine_of[I386]=$(command -v wine || true); fi
wine_programs=()
for preset in "${presets[@]}"; do
  exe=$(program_of "$preset").exe
  wine=${wine_of[${target[$preset.machine]}]:-}
  if [[ -f $exe && -x $wine ]]; then wine_programs+=("$preset"); fi
done
: >"$work/wine-timing.tsv"
if ((${#wine_programs[@]})); then
  echo "== timing the Windows programs under Wine: $wine_runs runs each"
  export WINEPREFIX="$root/$work/wineprefix" WINEDEBUG=-all
  wineserver -k 2>/dev/null || true
  mkdir -p "$WINEPREFIX"
  wineserver -p </dev/null >/dev/null 2>&1
  WINELOADER=$wine64 "$wine64" wineboot </dev/null >/dev/null 2>&1
  : >"$work/wine-programs.tsv"
  for preset in "${wine_programs[@]}"; do
    exe=$(program_of "$preset").exe
    wine=${wine_of[${target[$preset.machine]}]}
    "$wine" "$exe" >"$work/wine-$preset.out"
    cmp "$work/wine-$preset.out" "$work/expected.out"
    printf 'packtext.exe (%s)\t-\t%s\t%s\n' "$preset" "$wine" "$exe" >>"$work/wine-programs.tsv"
  done
  "$work/process_timer" "$wine_runs" 2 "$work/wine-programs.tsv" >"$work/wine-timing.tsv"
  wineserver -k 2>/dev/null || true
  show "$work/wine-timing.tsv"
fi

# Quantile $2 of all the runs of program $1 over every repeat, in µs.
pooled() {
  awk -F'\t' -v n="$1" '$1 == n { print $3 }' "$work"/samples.*.tsv | sort -n |
    awk -v q="$2" '{ v[NR] = $1 } END {
      i = (NR - 1) * q; lo = int(i); f = i - lo; hi = (lo + 1 < NR) ? lo + 1 : lo
      printf "%.1f", (v[lo + 1] * (1 - f) + v[hi + 1] * f) / 1000 }'
}
reference_of() { awk -F'\t' -v n="$1" '$1 == n { print $2 }' "$work/programs.tsv"; }
# Field $2 of program $1's line in each repeat's timing, as a list: 7 is its
# median over its reference's median, 8 the paired ratio.
per_repeat() {
  awk -F'\t' -v n="$1" -v f="$2" '$1 == n { printf "%s%.3f", sep, $f; sep = ", " }' \
    "$work"/timing.*.tsv
}
# Per program: name, median, 25th and 75th percentile, reference, median over
# the reference's median, instructions, that ratio per repeat, the paired
# ratio per repeat; "-" where there is nothing, since read joins empty fields.
for name in "${names[@]}"; do
  median=$(pooled "$name" 0.5)
  reference=$(reference_of "$name")
  ratio=- each=- paired=-
  if [[ $reference != - ]]; then
    ratio=$(awk -v a="$median" -v b="$(pooled "$reference" 0.5)" 'BEGIN { printf "%.3f", a / b }')
    each=$(per_repeat "$name" 7)
    paired=$(per_repeat "$name" 8)
  fi
  printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$name" "$median" "$(pooled "$name" 0.25)" \
    "$(pooled "$name" 0.75)" "$reference" "$ratio" "${instructions[$name]}" "$each" "$paired"
done >"$work/peers.tsv"

{
  echo "# packtext and its peers"
  echo
  echo "Each program writes the same 8,000 bytes to standard output (checked with cmp"
  echo "before timing). Wall time: bench/process_timer, from just before the fork to just"
  echo "after the reap, output to /dev/null, in rounds that run every program of a group"
  echo "once, in a new random order, after $warmup warm-up rounds. The floors and packtext"
  echo "are one group, timed $repeats times $runs rounds; the other peers, with the x86-64"
  echo "floor again, another, timed once, $runs rounds. Median and middle half (25th to 75th"
  echo "percentile) of all of a program's runs; ÷ is that median over the median of the"
  echo "program it is compared with. Per repeat: the same ratio within each timing;"
  echo "paired: the median over the rounds of the program's time over the other's in"
  echo "the same round. Instructions: valgrind callgrind, user mode only."
  echo
  echo "| program | median (µs) | middle half (µs) | compared with | ÷ | per repeat | paired, per repeat | user-mode instructions |"
  echo "| --- | ---: | ---: | --- | ---: | ---: | ---: | ---: |"
  while IFS=$'\t' read -r name median low high reference ratio ir each paired; do
    if [[ $reference == - ]]; then reference="" ratio="" each="" paired=""; fi
    echo "| $name | $median | $low–$high | $reference | $ratio | $each | $paired | $ir |"
  done <"$work/peers.tsv"
  if [[ -s $work/wine-timing.tsv ]]; then
    echo
    echo "The Windows programs under Wine ($("$wine64" --version)), $wine_runs runs each after 2"
    echo "warm-up runs, one wineserver kept up for all of them. No goal: nearly all of it"
    echo "is Wine's start-up."
    echo
    echo "| program | median (ms) | middle half (ms) |"
    echo "| --- | ---: | ---: |"
    while IFS=$'\t' read -r name _ median low high _; do
      awk -v n="$name" -v m="$median" -v l="$low" -v h="$high" \
        'BEGIN { printf "| %s | %.1f | %.1f–%.1f |\n", n, m / 1000, l / 1000, h / 1000 }'
    done <"$work/wine-timing.tsv"
  fi
  if [[ -n $no_i386 ]]; then
    echo
    echo "The i386 rows (floor-i386, its +pages and vdso variants, packtext-x86, and"
    echo "packtext.exe (win32) under Wine) are left out: $no_i386."
    echo "Under an emulator their times would mean nothing beside a native floor."
  fi
  echo
  echo "Program files, each target built with its preset's compiler at -O2:"
  echo
  echo "| preset | bytes | compiler |"
  echo "| --- | ---: | --- |"
  for preset in "${programs[@]}"; do
    if [[ -n ${not_built[$preset]:-} ]]; then
      echo "| $preset | not built: ${not_built[$preset]} | |"
      continue
    fi
    for file in "$(program_of "$preset")" "$(program_of "$preset").exe"; do
      if [[ -f $file ]]; then echo "| $preset | $(stat -c %s "$file") | $(compiler_of "$preset") |"; fi
    done
  done
  echo
  echo "Commands:"
  echo
  # Each argument as a shell would need it.
  for name in "${names[@]}"; do
    IFS=$'\t' read -r -a argv <<<"${command_of[$name]}"
    echo "- $name: \`$(printf '%s\n' "${argv[@]}" | awk '{ a = a s (/ / ? "\047" $0 "\047" : $0); s = " " } END { print a }')\`"
  done
  echo
  stamp
  echo "- load before: ${load_before#*load average: }; after timing: ${load_after#*load average: }"
  echo "- $(valgrind --version), $(g++ --version | head -1)"
} >"$results/comparison.md"

# The chart shows the programs, not the floors that only break a difference down.
grep -v -e '+pages' -e 'vdso' "$work/peers.tsv" >"$work/chart.tsv"
gnuplot <<EOF
set terminal svg size 900,760 dynamic font "sans,13" background rgb "white"
set output "$results/comparison.svg"
set datafile separator "\t"
set multiplot layout 2,1 title "Writing the same 8,000 bytes to standard output"
set style fill solid 0.85 noborder
set boxwidth 0.65
set grid ytics
set logscale y
set xrange [-0.6:*]
set title "wall-time median per run, µs (log scale)"
stats "$work/chart.tsv" using 2 nooutput
set yrange [STATS_min / 2:STATS_max * 5]
plot "$work/chart.tsv" using 0:2:xtic(1) with boxes lc rgb "#3f72af" notitle, \
     "" using 0:2:(sprintf("%.1f", \$2)) with labels offset 0,0.8 notitle
set title "user-mode instructions per run (log scale)"
set autoscale y  # stats skips values outside the current range
stats "$work/chart.tsv" using 7 nooutput
set yrange [1:STATS_max * 30]
set format y "10^{%T}"
plot "$work/chart.tsv" using 0:7:xtic(1) with boxes lc rgb "#d97b29" notitle, \
     "" using 0:7:(sprintf("%d", \$7)) with labels offset 0,0.8 notitle
unset multiplot
EOF

echo "== kernel benchmarks"
cmake --preset bench >/dev/null
cmake --build --preset bench --target packtext_bench
build/bench/bin/packtext_bench --benchmark_min_time=0.1 --benchmark_repetitions=3 \
  --benchmark_report_aggregates_only=true \
  --benchmark_out="$work/kernels.json" --benchmark_out_format=json >"$work/kernels.txt"

# Median of the repetitions of one benchmark: field $2 of run $1; fails if
# there is none.
median() {
  jq -er --arg run "$1" --arg field "$2" \
    '.benchmarks[] | select(.run_name == $run and .aggregate_name == "median") | .[$field]' \
    "$work/kernels.json"
}
gib() { awk -v b="$1" 'BEGIN { printf "%.2f", b / 2^30 }'; }
# TextLength's throughput over the byte loop's at 8,000 bytes, alignment $1.
for run in {TextLength,strlen,ByteLoop}/len:8000/align:{0..3} SpreadWords; do
  median "$run" bytes_per_second >/dev/null || { echo "no result for $run" >&2; exit 1; }
done
speedup() {
  awk -v t="$(median "TextLength/len:8000/align:$1" bytes_per_second)" \
    -v l="$(median "ByteLoop/len:8000/align:$1" bytes_per_second)" 'BEGIN { printf "%.2f", t / l }'
}

{
  echo "# Kernel benchmarks"
  echo
  echo "Median of 3 repetitions (Google Benchmark, bench preset: the host's $(g++ --version | head -1), -O2)."
  echo "Length of an 8,000-byte text by start alignment, GiB/s of text bytes:"
  echo
  echo "| alignment | TextLength | std::strlen | byte loop | TextLength ÷ byte loop |"
  echo "| ---: | ---: | ---: | ---: | ---: |"
  for align in 0 1 2 3; do
    text=$(median "TextLength/len:8000/align:$align" bytes_per_second)
    libc=$(median "strlen/len:8000/align:$align" bytes_per_second)
    loop=$(median "ByteLoop/len:8000/align:$align" bytes_per_second)
    echo "| $align | $(gib "$text") | $(gib "$libc") | $(gib "$loop") | $(speedup "$align") |"
  done
  printf '\nSpreadWords over the built-in table: %.0f %s per call, %s GiB/s of source bytes.\n' \
    "$(median SpreadWords real_time)" "$(median SpreadWords time_unit)" \
    "$(gib "$(median SpreadWords bytes_per_second)")"
  echo
  stamp
} >"$results/kernels.md"

echo "== goals"
# Prints and records one goal: description, measured value, <= or >=, limit.
goal() {
  local verdict
  verdict=$(awk -v v="$2" -v op="$3" -v l="$4" 'BEGIN {
    if ((op == "<=") ? v <= l : v >= l) print "PASS"
    else printf "MISS (%s by %g)", (op == "<=") ? "over" : "short", (op == "<=") ? v - l : l - v }')
  echo "$verdict  $1: $2 (goal $3 $4)"
}
field() { awk -F'\t' -v n="$1" -v c="$2" '$1 == n { print $c }' "$work/peers.tsv"; }
{
  goal "packtext linux-x64 user-mode instructions per run" "${instructions[packtext-x64]}" "<=" 25000
  goal "packtext linux-x64 wall-time median ÷ floor-x64's ($(field packtext-x64 2) µs vs $(field floor-x64 2) µs)" \
    "$(field packtext-x64 6)" "<=" 1.10
  if [[ -z $no_i386 ]]; then
    goal "packtext linux-x86 user-mode instructions per run" "${instructions[packtext-x86]}" "<=" 25000
    goal "packtext linux-x86 wall-time median ÷ floor-i386's ($(field packtext-x86 2) µs vs $(field floor-i386 2) µs)" \
      "$(field packtext-x86 6)" "<=" 1.05
  else
    echo "SKIP  packtext linux-x86 instructions and wall time: $no_i386"
  fi
  goal "packtext linux-x64 file size, bytes" "$(stat -c %s "$(program_of linux-x64)")" "<=" 20480
  goal "packtext linux-x86 file size, bytes" "$(stat -c %s "$(program_of linux-x86)")" "<=" 20480
  win32=$(program_of win32).exe
  if [[ -f $win32 ]]; then
    goal "packtext.exe (win32) file size, bytes" "$(stat -c %s "$win32")" "<=" 17408
  else
    echo "SKIP  packtext.exe (win32) file size: $win32 not built"
  fi
  for align in 0 1 2 3; do
    goal "TextLength ÷ byte loop throughput, 8000 bytes, alignment $align" "$(speedup "$align")" ">=" 2
  done
} | tee "$work/goals.txt"
{
  echo "# Goal checks"
  echo
  echo "From bench/compare.sh:"
  echo
  echo '```'
  cat "$work/goals.txt"
  echo '```'
  echo
  stamp
} >"$results/goals.md"

echo
cat "$results/comparison.md" "$results/kernels.md"
echo "== stages"
bench/stages.sh
