#pragma once
// Lookup in the tables of names that IPMI codes index directly.

#include <cstddef>
#include <iterator>

namespace marlek {

// The name of code in table, or null for a code past the table's end.
template <typename Table>
const char* NameAt(const Table& table, std::size_t code) {
  return code < std::size(table) ? table[code] : nullptr;
}

}  // namespace marlek
