# Sourced by the scripts that build the project's programs and packages.

# Prints the version in TREE's CMakeLists.txt (default: this tree's).
project_version() {
  local tree=${1:-$(dirname "${BASH_SOURCE[0]}")/..} version
  version=$(sed -n 's/^project(packtext VERSION \([0-9.]*\).*/\1/p' "$tree/CMakeLists.txt")
  [[ -n $version ]] || { echo "no version in $tree/CMakeLists.txt" >&2; return 1; }
  echo "$version"
}

# Configures PRESET from this tree (or the tree of --source) into BUILD_DIR,
# without tests, and builds its program; with --pack, builds all its
# packages hold too and packs them into BUILD_DIR/packages.
build_preset() { # [--pack] [--source TREE] PRESET BUILD_DIR
  local pack= tree
  tree=$(dirname "${BASH_SOURCE[0]}")/..
  while [[ $1 == --* ]]; do
    case $1 in
      --pack) pack=yes ;;
      --source) tree=$2 && shift ;;
    esac
    shift
  done
  local preset=$1 build=$2
  (cd "$tree" && cmake --preset "$preset" -B "$build" -DPACKTEXT_BUILD_TESTS=OFF -DPACKTEXT_LINT=OFF) ||
    return
  if [[ -z $pack ]]; then
    cmake --build "$build" --target packtext
  else
    cmake --build "$build" && (cd "$build" && cpack -B "$build/packages")
  fi
}
