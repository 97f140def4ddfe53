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

# Succeeds when every compiler package of PRESET's row is installed or apt
# offers it; otherwise sets target_missing to the reason and fails. A
# release of Debian may lack a new port's compiler (Debian 12 has none for
# loong64): such a target is left out, with that line, rather than failing.
target_offered() {
  local package packages
  IFS=, read -r -a packages <<<"${target_packages[$1]}"
  for package in "${packages[@]}"; do
    [[ $(dpkg-query --show --showformat='${db:Status-Status}' "$package" 2>/dev/null) == installed ]] &&
      continue
    apt-cache show --no-all-versions "$package" >/dev/null 2>&1 && continue
    target_missing="$1: left out: $(. /etc/os-release && echo "$PRETTY_NAME") offers no $package"
    return 1
  done
}
