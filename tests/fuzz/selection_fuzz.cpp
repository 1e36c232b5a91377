// The selection replies of Excel and ExWinner give a cell of row and column 1 or more, or
// raise the export's own error: nothing else.
#include <cstddef>
#include <cstdint>
#include <string>

#include "export/CellValues.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string reply(reinterpret_cast<const char*>(data), size);
  try {
    const zel::CellPosition at = zel::ParseExcelSelection(reply);
    if (at.row < 1 || at.column < 1) __builtin_trap();
  } catch (const zel::SpreadsheetError&) {
  }
  try {
    if (zel::ParseExWinnerRow(reply) < 1) __builtin_trap();
  } catch (const zel::SpreadsheetError&) {
  }
  return 0;
}
