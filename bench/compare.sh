#!/usr/bin/env bash
# Builds packtext and its peers, checks that they all write the same 8,000
# bytes, then times them (hyperfine), counts their user-mode instructions
# (callgrind), runs the kernel benchmarks, and writes the results, a chart and
# the goal checks to bench/results/. Working files go to build/compare/.
#
# Usage: bench/compare.sh   (quicker, rougher: RUNS=200 ROUNDS=2 bench/compare.sh)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
results=bench/results
work=build/compare
mkdir -p "$results" "$work"
runs=${RUNS:-1000}   # per program, over all rounds
rounds=${ROUNDS:-10}
warmup=${WARMUP:-10} # per program and round

for tool in cmake g++ hyperfine valgrind gnuplot jq cmp; do
  command -v "$tool" >/dev/null || { echo "missing tool: $tool" >&2; exit 1; }
done
load_before=$(uptime)

echo "== building"
for preset in linux-x64 linux-x86; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target packtext
done
g++ -std=c++20 -O2 -o "$work/iostream_peer" bench/peers/iostream_peer.cpp
# Linked as packtext is: static-pie, no C runtime, nothing to relocate.
g++ -static-pie -nostdlib -nostartfiles -Wl,-z,noexecstack -Wl,-z,noseparate-code -s \
  -o "$work/floor" bench/peers/floor.S
# The file for cat, made independently of packtext, so the byte check below
# also checks packtext's own output.
printf 'A*%.0s' {1..4000} >"$work/text.txt"

# Debian's interpreter, not a version-manager shim that would add a shell.
python=/usr/bin/python3
[[ -x $python ]] || python=$(command -v python3)

names=(floor packtext-x64 packtext-x86 cat bash-printf python3 iostream)
commands=(
  "$work/floor"
  "build/linux-x64/bin/packtext"
  "build/linux-x86/bin/packtext"
  "cat $work/text.txt"
  "bash -c 'printf \"A*%.0s\" {1..4000}'"
  "$python -c 'import sys; sys.stdout.write(\"A*\" * 4000)'"
  "$work/iostream_peer"
)

echo "== checking that every program writes packtext's bytes"
eval "${commands[1]}" >"$work/expected.out"
same=1
for i in "${!names[@]}"; do
  eval "${commands[i]}" >"$work/${names[i]}.out"
  cmp "$work/${names[i]}.out" "$work/expected.out" || same=0
done
if ((!same)); then
  echo "outputs differ; nothing timed" >&2
  exit 1
fi

# Rounds of all programs in turn, pooled per program, so that a drift in the
# machine's speed during the run does not fall on one program only.
per_round=$((runs / rounds))
echo "== timing: $rounds rounds of $per_round runs per program, each after $warmup warm-up runs"
args=()
for ((round = 0; round < rounds; round++)); do
  for i in "${!names[@]}"; do args+=(-n "${names[i]}" "${commands[i]}"); done
done
hyperfine -N --warmup "$warmup" --runs "$per_round" --export-json "$work/hyperfine.json" \
  "${args[@]}" >"$work/hyperfine.txt" 2>&1

echo "== counting user-mode instructions (callgrind)"
declare -A instructions
for i in "${!names[@]}"; do
  out="$work/callgrind.${names[i]}"
  eval "valgrind --tool=callgrind --callgrind-out-file=$out ${commands[i]}" \
    >/dev/null 2>"$out.log"
  instructions[${names[i]}]=$(awk '/^totals:/ { print $2 }' "$out")
done

size_x64=$(stat -c %s build/linux-x64/bin/packtext)
size_x86=$(stat -c %s build/linux-x86/bin/packtext)
win32=build/win32/bin/packtext.exe
size_win32=$([[ -f $win32 ]] && stat -c %s "$win32" || echo "")

# name, median ms, 25th and 75th percentiles ms, median / floor's median,
# instructions; the first program is the floor.
jq -r --args '
  def at(q): sort | ((length - 1) * q) as $i | (.[$i | floor] + .[$i | ceil]) / 2 * 1000;
  (.results | group_by(.command) | map({key: .[0].command, value: map(.times) | add})
    | from_entries) as $times
  | ($times[$ARGS.positional[0]] | at(0.5)) as $floor
  | $ARGS.positional[] as $name | $times[$name]
  | [$name, at(0.5), at(0.25), at(0.75), at(0.5) / $floor] | @tsv' \
  "${names[@]}" <"$work/hyperfine.json" |
  while IFS=$'\t' read -r name median low high ratio; do
    printf '%s\t%.3f\t%.3f\t%.3f\t%.3f\t%s\n' \
      "$name" "$median" "$low" "$high" "$ratio" "${instructions[$name]}"
  done >"$work/peers.tsv"

{
  echo "# packtext and its peers"
  echo
  echo "Each program writes the same 8,000 bytes to standard output (checked with cmp"
  echo "before timing). Wall time: hyperfine -N, output to /dev/null, $runs runs per program"
  echo "in $rounds rounds taken in turn, each after $warmup warm-up runs; middle half: 25th to"
  echo "75th percentile. Instructions: valgrind callgrind, user mode only."
  echo
  echo "| program | wall-time median (ms) | middle half (ms) | ÷ floor | user-mode instructions |"
  echo "| --- | ---: | ---: | ---: | ---: |"
  while IFS=$'\t' read -r name median low high ratio ir; do
    echo "| $name | $median | $low–$high | $ratio | $ir |"
  done <"$work/peers.tsv"
  echo
  echo "| program file | bytes |"
  echo "| --- | ---: |"
  echo "| build/linux-x64/bin/packtext | $size_x64 |"
  echo "| build/linux-x86/bin/packtext | $size_x86 |"
  if [[ -n $size_win32 ]]; then echo "| $win32 | $size_win32 |"; fi
  echo
  echo "Commands:"
  echo
  for i in "${!names[@]}"; do echo "- ${names[i]}: \`${commands[i]}\`"; done
  echo
  echo "- date: $(date -u)"
  echo "- CPU: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(nproc) cores"
  echo "- kernel: $(uname -sr)"
  echo "- load before: ${load_before#*load average: }; after: $(uptime | sed 's/.*load average: //')"
  echo "- $(hyperfine --version), $(valgrind --version), $(g++ --version | head -1)"
} >"$results/comparison.md"

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
set title "wall-time median per run, ms (log scale)"
stats "$work/peers.tsv" using 2 nooutput
set yrange [STATS_min / 2:STATS_max * 5]
plot "$work/peers.tsv" using 0:2:xtic(1) with boxes lc rgb "#3f72af" notitle, \
     "" using 0:2:(sprintf("%.3f", \$2)) with labels offset 0,0.8 notitle
set title "user-mode instructions per run (log scale)"
set autoscale y  # stats skips values outside the current range
stats "$work/peers.tsv" using 6 nooutput
set yrange [1:STATS_max * 30]
set format y "10^{%T}"
plot "$work/peers.tsv" using 0:6:xtic(1) with boxes lc rgb "#d97b29" notitle, \
     "" using 0:6:(sprintf("%d", \$6)) with labels offset 0,0.8 notitle
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
  echo "Median of 3 repetitions (Google Benchmark, bench preset: x86-64, -O2), $(date -u)."
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
  goal "packtext linux-x86 user-mode instructions per run" "${instructions[packtext-x86]}" "<=" 25000
  goal "packtext linux-x64 wall-time median ÷ floor's ($(field packtext-x64 2) ms vs $(field floor 2) ms)" \
    "$(field packtext-x64 5)" "<=" 1.10
  goal "packtext linux-x64 file size, bytes" "$size_x64" "<=" 20480
  goal "packtext linux-x86 file size, bytes" "$size_x86" "<=" 20480
  if [[ -n $size_win32 ]]; then
    goal "packtext.exe (win32) file size, bytes" "$size_win32" "<=" 17408
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
  echo "From bench/compare.sh, $(date -u):"
  echo
  echo '```'
  cat "$work/goals.txt"
  echo '```'
} >"$results/goals.md"

echo
cat "$results/comparison.md" "$results/kernels.md"
