# Sourced by the scripts that build the project's programs and packages.

# Prints the project's version, from CMakeLists.txt.
project_version() {
  local version
  version=$(sed -n 's/^project(packtext VERSION \([0-9.]*\).*/\1/p' \
    "$(dirname "${BASH_SOURCE[0]}")/../CMakeLists.txt")
  [[ -n $version ]] || { echo "no version in CMakeLists.txt" >&2; return 1; }
  echo "$version"
}

# Configures PRESET into BUILD_DIR, without tests, and builds its program;
# with `pack`, builds all the packages hold too and packs them into
# BUILD_DIR/packages, passing any further options to cpack.
build_preset() {
  local preset=$1 build=$2
  (cd "$(dirname "${BASH_SOURCE[0]}")/.." &&
    cmake --preset "$preset" -B "$build" -DPACKTEXT_BUILD_TESTS=OFF -DPACKTEXT_LINT=OFF) || return
  if [[ ${3:-} != pack ]]; then
    cmake --build "$build" --target packtext
  else
    cmake --build "$build" && (cd "$build" && cpack -B "$build/packages" "${@:4}")
  fi
}
