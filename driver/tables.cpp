#include "driver/driver.hpp"

#include "platform/little_endian.hpp"

#include <algorithm>
#include <iterator>

namespace {

consteval PackingTables InitialTables() {
  PackingTables tables{};
  std::fill(std::begin(tables.SourceWords), std::end(tables.SourceWords),
            StoredLittleEndian32(0x41414141));  // "AAAA"
  std::fill_n(tables.OutputText, SpreadTextLength, '*');
  return tables;
}

}  // namespace

// Built by the compiler into the program's data: no code runs to fill it.
constinit PackingTables Tables = InitialTables();
