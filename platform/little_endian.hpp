#pragma once

// Words in the program's data are little-endian on every machine: lane 0 of a
// word is its byte at the lowest address. A big-endian machine loads them
// byte-reversed.

#include <bit>
#include <cstdint>
#include <cstring>

// The 32-bit little-endian word at `bytes`, which may have any alignment. ARM
// before v6 and SuperH have no unaligned word load, and GCC calls memcpy for
// one: there the word is read a byte at a time.
inline std::uint32_t LoadLittleEndian32(const void* bytes) {
#if (defined(__arm__) && !defined(__ARM_FEATURE_UNALIGNED)) || defined(__sh__)
  const auto* byte = static_cast<const unsigned char*>(bytes);
  return std::uint32_t{byte[0]} | std::uint32_t{byte[1]} << 8 | std::uint32_t{byte[2]} << 16 |
         std::uint32_t{byte[3]} << 24;
#else
  std::uint32_t word = 0;
  std::memcpy(&word, bytes, sizeof word);
  if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap32(word);
  return word;
#endif
}

// The little-endian word at `word`, aligned as its type is: one load anywhere.
inline std::uint32_t LoadLittleEndian32(const std::uint32_t* word) {
  if constexpr (std::endian::native == std::endian::big) return __builtin_bswap32(*word);
  return *word;
}

// `value` as it is stored so that LoadLittleEndian32 reads it back.
constexpr std::uint32_t StoredLittleEndian32(std::uint32_t value) {
  if constexpr (std::endian::native == std::endian::big) return __builtin_bswap32(value);
  return value;
}
