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

# How this machine's Debian runs PRESET's Windows program under Wine: sets
# wine_route to "native", Debian's Wine here, or "guest", Wine in an emulated
# arm64 Debian (tests/wine_guest.sh), and wine_packages to what that needs;
# or fails, with wine_missing saying why. Debian's Wine runs its own
# machine's programs: amd64's the x86-64 ones, and the 32-bit x86 ones where
# the kernel runs i386 code; arm64's the ARM64 ones, which any other machine
# runs in the guest, through qemu-user-static and binfmt_misc.
wine_route() {
  local why
  wine_route=native
  case ${target_machine[$1]}:$machine in
    AMD64:amd64 | ARM64:arm64) wine_packages=(wine wine64) ;;
    I386:amd64)
      wine_packages=(wine libc6:i386 wine32:i386)
      why=$("$(dirname "${BASH_SOURCE[0]}")/runs-i386") ||
        { wine_missing="Wine runs a 32-bit program as i386 code, and $why"; return 1; }
      ;;
    ARM64:*)
      wine_route=guest
      wine_packages=(qemu-user-static binfmt-support debootstrap)
      ;;
    *)
      wine_missing="Debian's Wine on $machine runs no ${target_machine[$1]} programs"
      return 1
      ;;
  esac
}
