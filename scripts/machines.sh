# Sourced by the scripts: the table of targets, targets.txt, read with bash
# alone (nothing else may be installed yet), and this machine's Debian
# architecture. `presets` lists the rows in order; target_<column>[PRESET]
# holds each column; preset_of[ARCH] is the preset a Debian architecture
# builds for itself, the first row with that architecture.
presets=()
declare -A target_system target_debian target_triple target_compiler target_packages \
  target_qemu target_machine target_order target_rpm target_header target_entry preset_of
while read -r preset system debian triple compiler packages qemu elf order rpm header entry; do
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
  [[ $debian == - || -n ${preset_of[$debian]:-} ]] || preset_of[$debian]=$preset
done <"$(dirname "${BASH_SOURCE[0]}")/../targets.txt"
machine=$(dpkg --print-architecture)
