#include "driver/driver.hpp"

namespace {

consteval PackingTables InitialTables() {
  PackingTables tables{};
  for (auto& word : tables.SourceWords) word = 0x41414141;  // "AAAA"
  for (std::uint32_t i = 0; i < SpreadTextLength; ++i) tables.OutputText[i] = '*';
  return tables;
}

}  // namespace

// Built by the compiler into the program's data: no code runs to fill it.
constinit PackingTables Tables = InitialTables();
