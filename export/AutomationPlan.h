#pragma once
// A row written by automation, as data: each run of cells in one call, then the next row's
// first cell selected.
#include <string>
#include <vector>

#include "export/SpreadsheetLink.h"

namespace zel {

struct RowWrite {
  long row = 0;
  long column = 0;                 // the run's first cell
  std::vector<std::string> texts;  // one per cell, to the right

  bool operator==(const RowWrite& o) const {
    return row == o.row && column == o.column && texts == o.texts;
  }
};

struct AutomationPlan {
  std::vector<RowWrite> writes;
  CellPosition select;

  bool operator==(const AutomationPlan& o) const {
    return writes == o.writes && select.row == o.select.row && select.column == o.select.column;
  }
};

// Blank-marker cells are not touched; every other value, the empty one included, is written.
AutomationPlan AutomationRowPlan(const std::vector<std::string>& values, CellPosition at,
                                 const std::string& blankMarker);

}  // namespace zel
