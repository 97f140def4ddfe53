# Sourced by the benchmark scripts: they run from the top of the tree, write
# results to bench/results/ and working files to build/compare/, and time
# i386 programs only where this host runs them natively (scripts/runs-i386):
# no_i386 is empty if it does, else why not. Each result file names what it
# measured (stamp).
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$PWD
results=bench/results
work=build/compare
mkdir -p "$results" "$work"
no_i386=$(scripts/runs-i386 static "$work") || true

# Prints what a result measured, as list items: the commit (and whether the
# tree beside bench/results/ had changes), the machine and the date.
stamp() {
  local commit virt
  commit=$(git -C "$root" rev-parse --short=12 HEAD 2>/dev/null) || commit="none (not a git checkout)"
  if [[ -n $(git -C "$root" status --porcelain --untracked-files=no -- . ":!$results" 2>/dev/null) ]]; then
    commit+=", with uncommitted changes"
  fi
  virt=$(systemd-detect-virt 2>/dev/null) || virt=none
  echo "- commit: $commit"
  echo "- date: $(date -u '+%Y-%m-%d %H:%M UTC')"
  echo "- machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(nproc) cores," \
    "virtualisation: $virt; kernel $(uname -sr); $(. /etc/os-release && echo "$PRETTY_NAME")"
}
