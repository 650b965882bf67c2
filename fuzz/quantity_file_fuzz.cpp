// Any bytes must parse without reading past them, and what the table writes must read back
// to the same table.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "instruments/quantity_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  korvan::QuantityTable table;
  korvan::ParseQuantityText(bytes, table);
  const std::string written = korvan::FormatQuantityText(table);

  korvan::QuantityTable again;
  korvan::ParseQuantityText(written, again);
  // Empty rows are dropped on writing, so compare the non-empty rows in order.
  int n = 1;
  for (int m = 1; m <= korvan::kQuantityRows; ++m) {
    if (table.IsEmptyRow(m)) continue;
    if (again.Row(n++) != table.Row(m)) std::abort();
  }
  if (korvan::FormatQuantityText(again) != written) std::abort();
  return 0;
}
