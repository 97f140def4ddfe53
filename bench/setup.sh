# Sourced by the benchmark scripts: they run from the top of the tree, write
# results to bench/results/ and working files to build/compare/, and time
# i386 programs only where this host runs them natively (scripts/runs-i386):
# no_i386 is empty if it does, else why not.
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$PWD
results=bench/results
work=build/compare
mkdir -p "$results" "$work"
no_i386=$(scripts/runs-i386 static "$work") || true
