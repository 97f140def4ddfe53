#pragma once

// The packing driver: the built-in tables, the spread, and the process entry.

#include <cstdint>

inline constexpr std::uint32_t SourceWordCount = 1000;
// Each source byte becomes two text bytes: itself and a "*" filler.
inline constexpr std::uint32_t SpreadTextLength = 2 * sizeof(std::uint32_t) * SourceWordCount;
// Zero bytes after the text: its terminator, the three more that TextLength
// reads in the terminator's word, and the rest to a multiple of 16 bytes.
inline constexpr std::uint32_t OutputTailSize = 16;
inline constexpr std::uint32_t OutputTextSize = SpreadTextLength + OutputTailSize;

// Both tables, constant-initialized and back to back in writable data. The
// text starts on a page boundary, and so on a 16-byte one: its first 8,000
// bytes then lie in two pages, not three, and a run takes one copy-on-write
// page fault fewer.
inline constexpr std::uint32_t TablePageSize = 4096;
struct alignas(TablePageSize) PackingTables {
  char Lead[TablePageSize - sizeof(std::uint32_t) * SourceWordCount];  // Unused.
  std::uint32_t SourceWords[SourceWordCount];
  char OutputText[OutputTextSize];
};
// Hidden wherever visibility exists: no loader runs before the program to fill
// a GOT slot, so every reference to the tables must be one the linker resolves
// to a fixed offset from the code, whatever the compiler or the linker's
// relaxations.
#if defined(__ELF__)
[[gnu::visibility("hidden")]]
#endif
extern PackingTables Tables;

// The source words, stored little-endian, every byte an "A"; the program only
// reads them.
inline constexpr const auto& SourceWords = Tables.SourceWords;
// The text, at start SpreadTextLength bytes of "*" then OutputTailSize zeros;
// the spread fills its even-numbered bytes.
inline constexpr auto& OutputText = Tables.OutputText;

// Spreads source byte j into OutputText byte 2j, for every byte of every
// source word, leaving the odd-numbered bytes and the zero tail as they are.
void SpreadWords();

// The process entry point, entered from the loader (on some architectures
// through a few instructions their ABI wants first): spreads the words,
// prints the text and exits with status 0. Never returns.
extern "C" [[noreturn]] void ProgramEntry();
