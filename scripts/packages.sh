# Sourced, after machines.sh, by scripts/install-deps and scripts/test: the
# Debian packages each part of the work needs, by names that Debian 12 and 13
# both have, and their installation. A name is a section of the test command
# (a preset of targets.txt, sanitize, debian, toolchains, bench), build (this
# machine's program alone), chroot (tests/fresh_debian.sh) or compare
# (bench/compare.sh).
test_sections=("${presets[@]}" sanitize debian toolchains bench)
as_root=()
[[ $(id -u) -eq 0 ]] || as_root=(sudo)

# What the x32 virtual machine needs (tests/x32_vm.sh): its qemu, cpio for
# its initramfs, and the busybox and strace it holds, busybox's static build
# unless Debian's other one is installed.
x32_vm_packages=(qemu-system-x86 cpio strace busybox-static)
! installed busybox || x32_vm_packages[3]=busybox

# Sets `wanted` to what NAME needs, and `wanted_i386` to the i386 packages
# that let its tests run natively; fails for a name it does not know. A
# preset whose compiler this Debian does not offer needs nothing.
needs() {
  local readers=(python3 python3-pyelftools python3-pefile python3-capstone python3-debian)
  local checks=(googletest "${readers[@]}") preset packages
  wanted=(cmake ninja-build)
  wanted_i386=()
  case $1 in
    build) wanted+=(g++) ;;
    chroot) wanted=(debootstrap) ;;
    sanitize) wanted+=(clang libclang-rt-dev googletest) ;;
    # The source packages, this machine's .deb and RPM, their lintian,
    # rpmlint and autopkgtest.
    debian)
      wanted+=(g++ build-essential debhelper git lintian mmdebstrap strace rpm rpmlint "${checks[@]}")
      ;;
    toolchains)
      wanted+=(clang "${readers[@]}")
      for preset in "${presets[@]}"; do
        [[ ${target[$preset.system]} == linux && ${target[$preset.compiler]} == gcc ]] || continue
        target_offered "$preset" || continue
        compiler_packages "$preset"
        emulator_for "$preset"
        wanted+=("${packages[@]}")
        if [[ ${target[$preset.debian]} == x32 ]]; then
          ((${#emulator[@]} == 0)) || wanted+=("${x32_vm_packages[@]}")
        elif ((${#emulator[@]})); then
          wanted+=(qemu-user)
        fi
      done
      ;;
    bench) wanted+=(g++ libbenchmark-dev) ;;
    compare) wanted+=(g++ g++-i686-linux-gnu libbenchmark-dev valgrind gnuplot-nox jq) ;;
    *)
      [[ -n ${target[$1.system]+set} ]] || return 1
      if ! target_offered "$1"; then
        wanted=()
        return
      fi
      compiler_packages "$1"
      wanted+=("${packages[@]}" "${checks[@]}")
      # The one preset whose tests include the analysis (CMakePresets.json);
      # every Linux one has clang-tidy read its architecture's headers.
      [[ $1 != linux-x64 ]] || wanted+=(clang-format cppcheck)
      if [[ ${target[$1.system]} == linux ]]; then
        wanted+=(clang-tidy)
        # Another machine's programs run under qemu-user, i386 ones too when
        # the i386 part cannot be installed; this machine's under strace.
        emulator_for "$1"
        ((${#emulator[@]} == 0)) && wanted+=(strace)
        if [[ ${target[$1.debian]} == x32 ]]; then
          ((${#emulator[@]} == 0)) || wanted+=("${x32_vm_packages[@]}")
        elif [[ ${target[$1.debian]} != "$machine" ]]; then
          wanted+=(qemu-user)
        fi
        if [[ ${target[$1.debian]} == i386 && $machine == amd64 ]]; then
          read -r -a wanted_i386 <<<"${i386_packages[dynamic]}"
        fi
      else
        wanted+=(groff-base zip)
        if wine_route "$1"; then
          wanted+=("${wine_packages[@]}")
          [[ ${target[$1.machine]} != I386 ]] || read -r -a wanted_i386 <<<"${i386_packages[wine]}"
        fi
      fi
      ;;
  esac
}

# Sets `missing` to those of PACKAGE... that are not installed, each once.
missing_of() {
  local package
  missing=()
  for package; do
    [[ " ${missing[*]} " != *" $package "* ]] && ! installed "$package" && missing+=("$package")
  done
  return 0
}

# apt-get update, retrying as apt does. Lists it still cannot fetch are
# printed with apt's lines, and those that could hide one of this machine's
# own packages kept in failed_lists (another architecture's package list,
# binary-i386, hides none); the run goes on with the lists it has, and the
# installation decides.
refresh_lists() {
  local log status=0 foreign relevant
  log=$(mktemp)
  "${as_root[@]}" apt-get update -q -o Acquire::Retries=3 2>&1 | tee "$log" || status=$?
  refreshed=yes
  if ((status != 0)); then
    echo "apt-get update could not refresh every list; going on with those it has:"
    grep -E '^[EW]: ' "$log" || true
    foreign=$(dpkg --print-foreign-architectures | paste -sd '|')
    relevant=$(grep -E '^[EW]: .*(Failed to fetch|Release)' "$log" |
      grep -vE "/binary-(${foreign:-none})/" || true)
    [[ -z $relevant ]] || failed_lists+=$relevant$'\n'
  fi
  rm -f "$log"
}

# apt-get install PACKAGE...; when that fails, sets apt_reason to apt's
# errors on one line, after the first dependency it could not meet, if any.
apt_install() {
  local log status=0 unmet errors
  log=$(mktemp)
  echo "installing: $*"
  if [[ " $* " == *" qemu-user-static "* ]]; then
    echo "qemu-user-static registers binfmt_misc handlers for the whole system: from now on," \
      "any program of another architecture started on this machine runs under qemu"
  fi
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
    "$@" 2>&1 | tee "$log" || status=$?
  mapfile -t unmet < <(grep -E '^ [^ ]+ : ' "$log")
  mapfile -t errors < <(grep '^E: ' "$log")
  ((${#unmet[@]} == 0)) || errors=("${unmet[0]# } (1 of ${#unmet[@]} unmet)" "${errors[@]}")
  printf -v apt_reason '%s; ' "${errors[@]}"
  apt_reason=${apt_reason%; }
  rm -f "$log"
  return "$status"
}

# Installs what each NAME needs and is missing, asking the network only when
# something is, then the i386 part. Where apt cannot install everything at
# once, each name's packages are tried alone, and not_installed[NAME] gets
# apt's reason for each that fails.
install_for() {
  local name
  declare -gA not_installed=()
  failed_lists= refreshed=
  wanted_by "$@"
  if ((${#missing[@]})); then
    refresh_lists
    # A compiler the old lists did not offer may be offered now.
    wanted_by "$@"
    if ((${#missing[@]})) && ! apt_install "${missing[@]}"; then
      for name; do
        needs "$name"
        missing_of "${wanted[@]}"
        ((${#missing[@]} == 0)) || apt_install "${missing[@]}" || not_installed[$name]=$apt_reason
      done
    fi
  fi
  install_i386 "${all_i386[@]}"
}

# Sets `missing` to what the NAMEs need and is not installed, and `all_i386`
# to the i386 packages they would have.
wanted_by() {
  local name all=()
  all_i386=()
  for name; do
    needs "$name"
    all+=("${wanted[@]}")
    all_i386+=("${wanted_i386[@]}")
  done
  missing_of "${all[@]}"
}

# The i386 architecture and PACKAGE..., where the kernel runs i386 code, as a
# step of its own. If apt cannot install them, one line says so with apt's
# reason, an i386 architecture added for them is removed again, and the
# tests run as on a kernel without i386 code.
install_i386() {
  local added=
  missing_of "$@"
  ((${#missing[@]})) && "$(dirname "${BASH_SOURCE[0]}")/runs-i386" static >/dev/null || return 0
  echo "== the i386 part: ${missing[*]}"
  if [[ $'\n'$(dpkg --print-foreign-architectures)$'\n' != *$'\n'i386$'\n'* ]]; then
    "${as_root[@]}" dpkg --add-architecture i386
    added=yes
  fi
  [[ -z $added && -n $refreshed ]] || refresh_lists
  apt_install "${missing[@]}" && return
  echo "i386: not installed, so the i386 and win32 tests run as without i386 code: $apt_reason"
  # dpkg keeps the architecture, saying so, if anything of it was installed.
  if [[ -n $added ]]; then
    "${as_root[@]}" dpkg --remove-architecture i386 || true
  fi
}
