#include "export/CellValues.h"

#include "app/WholeNumber.h"

namespace zel {

namespace {

// The text after the first occurrence of the character, or all of it when there is none.
std::string After(const std::string& text, char c) {
  const auto pos = text.find(c);
  return pos == std::string::npos ? text : text.substr(pos + 1);
}

}  // namespace

std::vector<CellRun> CellRuns(const std::vector<std::string>& values, const std::string& blankMarker) {
  std::vector<CellRun> runs;
  std::optional<CellRun> open;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (values[i] == blankMarker) {
      if (open) runs.push_back(std::move(*open));
      open.reset();
      continue;
    }
    if (!open) open = CellRun{i, {}};
    open->items.push_back(values[i]);
  }
  if (open) runs.push_back(std::move(*open));
  return runs;
}

std::string TabJoined(const std::vector<std::string>& items) {
  std::string text;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) text += '\t';
    text += items[i];
  }
  return text;
}

bool BreaksCells(const std::string& value) {
  return value.find_first_of(std::string("\t\r\n\0", 4)) != std::string::npos;
}

std::string SelectCommand(long row, long column) {
  const std::string cell = "R" + std::to_string(row) + "C" + std::to_string(column);
  return "[SELECT(\"" + cell + ":" + cell + "\")]";
}

long WholeNumber(const std::string& text) {
  const auto begin = text.find_first_not_of(" \t\r\n");
  const auto end = text.find_last_not_of(" \t\r\n");
  const std::string digits = begin == std::string::npos ? "" : text.substr(begin, end - begin + 1);
  // Nine digits are more rows and columns than any sheet has.
  const auto number = ParseWholeNumber(digits, 1, 999999999);
  if (!number) throw SpreadsheetError("\"" + text + "\" is not a whole number");
  return static_cast<long>(*number);
}

CellPosition ParseExcelSelection(const std::optional<std::string>& reply) {
  if (!reply || reply->empty()) return {1, 1};
  const std::string cell = After(After(*reply, '!'), 'R');
  const auto c = cell.find('C');
  if (c == std::string::npos) throw SpreadsheetError("\"" + *reply + "\" is not one cell");
  return {WholeNumber(cell.substr(0, c)), WholeNumber(cell.substr(c + 1))};
}

long ParseExWinnerRow(const std::string& reply) {
  std::string unquoted;
  for (const char c : reply) {
    if (c != '\'' && c != '"') unquoted += c;
  }
  const std::string cell = After(After(unquoted, '!'), 'R');
  return WholeNumber(cell.substr(0, cell.find('C')));
}

}  // namespace zel
