// memcpy and memset for the program alone, which links no C library: a
// compiler may call them for any copy or fill, at any optimisation level or
// with -fno-builtin. The unit tests take theirs from the C library.
//
// Built with loop-pattern replacement off (see CMakeLists.txt), or GCC would
// turn these very loops into calls to themselves. `used` keeps them through
// link-time optimisation, which cannot see the calls that code generation
// adds later.

#include <cstddef>

extern "C" {

[[gnu::used]] void* memcpy(void* destination, const void* source, std::size_t size) {
  auto* to = static_cast<unsigned char*>(destination);
  const auto* from = static_cast<const unsigned char*>(source);
  for (std::size_t i = 0; i < size; ++i) to[i] = from[i];
  return destination;
}

[[gnu::used]] void* memset(void* destination, int value, std::size_t size) {
  auto* to = static_cast<unsigned char*>(destination);
  for (std::size_t i = 0; i < size; ++i) to[i] = static_cast<unsigned char>(value);
  return destination;
}
}
