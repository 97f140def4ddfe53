# Sourced by the scripts: each Debian architecture that packtext runs on, with
# its preset and GNU triple.
declare -A preset_of=(
  [amd64]=linux-x64 [i386]=linux-x86 [arm64]=linux-arm64
  [armhf]=linux-armhf [riscv64]=linux-riscv64 [s390x]=linux-s390x)
declare -A triple_of=(
  [amd64]=x86_64-linux-gnu [i386]=i686-linux-gnu [arm64]=aarch64-linux-gnu
  [armhf]=arm-linux-gnueabihf [riscv64]=riscv64-linux-gnu [s390x]=s390x-linux-gnu)
machine=$(dpkg --print-architecture)
