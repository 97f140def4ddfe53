# Sourced by the scripts: the table of targets, targets.txt, read with bash
# alone (nothing else may be installed yet), and this machine's Debian
# architecture. `presets` lists the rows in order; target[PRESET.COLUMN]
# holds each field, by the column's name in the table's header row, so that
# asking for a column the table does not have stops the script (set -u),
# naming it. preset_of[ARCH] is the preset a Debian architecture builds for
# itself, the first row with that architecture.
columns=()
presets=()
declare -A target=() preset_of=()
while read -r -a fields; do
  [[ ${#fields[@]} -eq 0 || ${fields[0]} == \#* ]] && continue
  if ((${#columns[@]} == 0)); then
    columns=("${fields[@]}")
    continue
  fi
  preset=${fields[0]}
  if ((${#fields[@]} != ${#columns[@]})); then
    echo "targets.txt: the row of $preset has ${#fields[@]} fields for ${#columns[@]} columns" >&2
    exit 1
  fi
  presets+=("$preset")
  for i in "${!columns[@]}"; do
    target[$preset.${columns[i]}]=${fields[i]}
  done
  debian=${target[$preset.debian]}
  [[ $debian == - || -n ${preset_of[$debian]:-} ]] || preset_of[$debian]=$preset
done <"$(dirname "${BASH_SOURCE[0]}")/../targets.txt"
unset fields preset debian i
machine=$(dpkg --print-architecture)

# Succeeds when PACKAGE (with :ARCH for another architecture's) is installed.
installed() {
  [[ $(dpkg-query --show --showformat='${db:Status-Status}' "$1" 2>/dev/null) == installed ]]
}

# Sets `packages` to the Debian packages of PRESET's compiler: its row's, but
# for this machine's own architecture, whose compiler is its native g++.
compiler_packages() {
  local native= i
  [[ ${target[$1.debian]} != "$machine" ]] || native=g++-${target[$1.triple]//_/-}
  IFS=, read -r -a packages <<<"${target[$1.packages]}"
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
    installed "$package" && continue
    # Read whole, not piped to grep -q: apt-cache killed by SIGPIPE would
    # fail the pipeline, under pipefail, for a package that is offered.
    [[ $(apt-cache policy "$package" 2>/dev/null) == *"Candidate: "[!\(]* ]] || missing+=("$package")
  done
  ((${#missing[@]} == 0)) && return 0
  target_missing="$1: left out: $(. /etc/os-release && echo "$PRETTY_NAME") offers no ${missing[*]}"
  return 1
}

# Sets `emulator` to what runs PRESET's (static) programs on this machine:
# nothing where it runs them itself, else qemu-user with the row's options,
# or for x32, which qemu-user lacks, a virtual machine where the kernel runs
# no x32 code (scripts/runs-x32, tests/x32_vm.sh).
emulator_for() {
  emulator=()
  local arch=${target[$1.debian]} scripts
  scripts=$(dirname "${BASH_SOURCE[0]}")
  [[ $arch == "$machine" ]] && return
  if [[ $arch == x32 ]]; then
    "$scripts/runs-x32" >/dev/null || emulator=("$(cd "$scripts/.." && pwd)/tests/x32_vm.sh" exec)
    return
  fi
  if [[ $arch == i386 && $machine == amd64 ]] &&
    "$(dirname "${BASH_SOURCE[0]}")/runs-i386" static >/dev/null; then
    return
  fi
  IFS=, read -r -a emulator <<<"qemu-${target[$1.qemu]}"
}

# What an x86-64 machine needs beside a kernel that runs i386 code to run
# i386 programs natively (scripts/runs-i386): nothing for a static one, the
# C and C++ libraries for a dynamically linked one, Wine's 32-bit part for a
# 32-bit Windows one.
declare -A i386_packages=([static]="" [dynamic]="libc6:i386 libstdc++6:i386" [wine]="wine32:i386")

# The Debian mirror this machine's apt uses.
apt_mirror() {
  local mirror
  mirror=$(sed -n 's/^URIs: *\([^ ]*\).*/\1/p' /etc/apt/sources.list.d/*.sources 2>/dev/null | head -n1)
  [[ -n $mirror ]] || mirror=$(awk '$1 == "deb" { print $2; exit }' /etc/apt/sources.list)
  echo "$mirror"
}

# How this machine's Debian runs PRESET's Windows program under Wine: sets
# wine_route to "native", Debian's Wine here, or "guest", Wine in an emulated
# Debian of the program's architecture (tests/wine_guest.sh), wine_guest to
# that architecture, and wine_packages to what both need; or fails, with
# wine_missing saying why. Debian's Wine runs its own machine's programs:
# amd64's the x86-64 ones, and the 32-bit x86 ones where the kernel runs
# i386 code and the i386 part (i386_packages[wine]) installs; arm64's the
# ARM64 ones. Elsewhere they run in the guest, under qemu.
wine_route() {
  local guest_packages=(qemu-user-static binfmt-support debootstrap)
  wine_route=native wine_guest=
  case ${target[$1.machine]}:$machine in
    AMD64:amd64 | ARM64:arm64) wine_packages=(wine wine64) ;;
    I386:amd64)
      wine_packages=(wine wine64 "${guest_packages[@]}")
      if ! "$(dirname "${BASH_SOURCE[0]}")/runs-i386" wine >/dev/null; then
        wine_route=guest wine_guest=i386
      fi
      ;;
    ARM64:*)
      wine_route=guest wine_guest=arm64
      wine_packages=("${guest_packages[@]}")
      ;;
    *)
      wine_missing="Debian's Wine on $machine runs no ${target[$1.machine]} programs"
      return 1
      ;;
  esac
}
