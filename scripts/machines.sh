# Sourced by the scripts: the table of targets, targets.txt, read with bash
# alone (nothing else may be installed yet), and this machine's Debian
# architecture. `presets` lists the rows in order; target_<column>[PRESET]
# holds each column; preset_of[ARCH] is the preset a Debian architecture
# builds for itself, the first row with that architecture. `target_offered
# PRESET` says whether this machine's Debian has the row's compiler.
presets=()
declare -A target_system target_debian target_triple target_compiler target_packages \
  target_qemu target_machine target_order target_rpm target_header target_entry target_address \
  preset_of
while read -r preset system debian triple compiler packages qemu elf order rpm header entry address; do
  [[ -z $preset || $preset == \#* ]] && continue
  presets+=("$preset")
  target_system[$preset]=$system
  target_debian[$preset]=$debian
  target_triple[$preset]=$triple
  target_compiler[$preset]=$compiler
  target_packages[$preset]=$packages
  target_qemu[$preset]=$qemu
  target_machine[$preset]=$elf
  target_order[$preset]=$order
  target_rpm[$preset]=$rpm
  target_header[$preset]=$header
  target_entry[$preset]=$entry
  target_address[$preset]=$address
  [[ $debian == - || -n ${preset_of[$debian]:-} ]] || preset_of[$debian]=$preset
done <"$(dirname "${BASH_SOURCE[0]}")/../targets.txt"
machine=$(dpkg --print-architecture)

# Sets `packages` to the Debian packages of PRESET's compiler: its row's, but
# for this machine's own architecture, whose compiler is its native g++.
compiler_packages() {
  local native= i
  [[ ${target_debian[$1]} != "$machine" ]] || native=g++-${target_triple[$1]//_/-}
  IFS=, read -r -a packages <<<"${target_packages[$1]}"
  for i in "${!packages[@]}"; do
    [[ ${packages[i]} != "$native" ]] || packages[i]=g++
  done
}

# Succeeds when apt offers, or has installed, every package of PRESET's
# compiler; otherwise sets target_missing to a line that says which and
# fails. A release of Debian may lack a new port's compiler (Debian 12 has
# none for loong64): such a target is left out, with that line.
target_offered() {
  local package packages missing=()
  compiler_packages "$1"
  for package in "${packages[@]}"; do
    [[ $(dpkg-query --show --showformat='${db:Status-Status}' "$package" 2>/dev/null) == installed ]] &&
      continue
    # Read whole, not piped to grep -q: apt-cache killed by SIGPIPE would
    # fail the pipeline, under pipefail, for a package that is offered.
    [[ $(apt-cache policy "$package" 2>/dev/null) == *"Candidate: "[!\(]* ]] || missing+=("$package")
  done
  ((${#missing[@]} == 0)) && return 0
  target_missing="$1: left out: $(. /etc/os-release && echo "$PRETTY_NAME") offers no ${missing[*]}"
  return 1
}

# The Debian mirror this machine's apt uses.
apt_mirror() {
  local mirror
  mirror=$(sed -n 's/^URIs: *\([^ ]*\).*/\1/p' /etc/apt/sources.list.d/*.sources 2>/dev/null | head -n1)
  [[ -n $mirror ]] || mirror=$(awk '$1 == "deb" { print $2; exit }' /etc/apt/sources.list)
  echo "$mirror"
}
