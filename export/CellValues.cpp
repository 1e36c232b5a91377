#include "export/CellValues.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <iterator>

#include "app/Global.h"
#include "app/WholeNumber.h"

namespace zel {

namespace {

// The text after the first occurrence of the character, or all of it when there is none.
std::string After(const std::string& text, char c) {
  const auto pos = text.find(c);
  return pos == std::string::npos ? text : text.substr(pos + 1);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Led, after white space, by "=", "+", "-" or "@", with a "|" and after it a "!": Excel reads
// it as a link to another program (=cmd|' /C calc'!A0), whatever comes between.
bool IsDdeLink(const std::string& value) {
  const auto lead = value.find_first_not_of(" \t\r\n");
  if (lead == std::string::npos || std::string("=+-@").find(value[lead]) == std::string::npos) {
    return false;
  }
  const auto bar = value.find('|', lead + 1);
  return bar != std::string::npos && value.find('!', bar + 1) != std::string::npos;
}

// The digits of an integer part without zeros in front: "1234" or grouped "1,234,567".
bool IntegerDigits(const std::string& text, std::string& digits) {
  digits.clear();
  std::size_t group = 0;
  bool grouped = false;
  for (const char c : text) {
    if (c == ',') {
      // One to three digits before the first separator, exactly three between later ones.
      if (group == 0 || group > 3 || (grouped && group != 3)) return false;
      grouped = true;
      group = 0;
      continue;
    }
    digits += c;
    ++group;
  }
  if (grouped && group != 3) return false;
  return digits.size() <= 1 || digits[0] != '0';
}

// [+-] integer [. digits] [%]: what a General cell keeps as the same number, 15 significant
// digits at most (Excel keeps no more). "0603" (a zero before a digit) is not one.
bool IsPlainNumber(const std::string& text) {
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  const std::size_t integerStart = i;
  while (i < text.size() && (IsDigit(text[i]) || text[i] == ',')) ++i;
  std::string digits;
  if (!IntegerDigits(text.substr(integerStart, i - integerStart), digits)) return false;
  std::string fraction;
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && IsDigit(text[i]); ++i) fraction += text[i];
  }
  if (i < text.size() && text[i] == '%') ++i;
  if (i != text.size() || digits.size() + fraction.size() == 0) return false;
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  std::string significant = digits + fraction;
  significant.erase(0, significant.find_first_not_of('0'));
  return significant.size() <= 15;
}

// Words and signs a General cell reads as part of a number, date or time: month names, AM/PM,
// an exponent, currency, and the Chinese date and time units.
bool NumberWord(const std::string& word) {
  static const char* const kWords[] = {
      "a", "p", "am", "pm", "e", "jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep",
      "sept", "oct", "nov", "dec", "january", "february", "march", "april", "june", "july",
      "august", "september", "october", "november", "december"};
  return std::any_of(std::begin(kWords), std::end(kWords),
                     [&](const char* w) { return word == w; });
}
constexpr const char* kNumberSigns[] = {"¥", "￥", "年", "月", "日", "时", "分", "秒", "上午", "下午"};

// True when a General cell would read the text as a value of its own: a number, a date, a time,
// a fraction, a truth value or an error value. Errs towards yes: a text marked as text by
// mistake looks the same.
bool ReadsAsValue(const std::string& text) {
  const std::string upper = UpperCase(text);
  if (upper == "TRUE" || upper == "FALSE") return true;
  static const char* const kErrors[] = {"#N/A", "#DIV/0!", "#VALUE!", "#REF!", "#NAME?", "#NUM!",
                                        "#NULL!"};
  if (std::any_of(std::begin(kErrors), std::end(kErrors),
                  [&](const char* e) { return upper == e; })) {
    return true;
  }
  bool digit = false;
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (IsDigit(c)) {
      digit = true;
      ++i;
    } else if (std::string(" -/:.,%+()$").find(c) != std::string::npos) {
      ++i;
    } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
      std::size_t end = i;
      while (end < text.size() && std::isalpha(static_cast<unsigned char>(text[end]))) ++end;
      std::string word = text.substr(i, end - i);
      for (char& letter : word) letter = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
      if (!NumberWord(word)) return false;
      i = end;
    } else {
      const auto sign = std::find_if(std::begin(kNumberSigns), std::end(kNumberSigns),
                                     [&](const char* s) { return text.compare(i, std::strlen(s), s) == 0; });
      if (sign == std::end(kNumberSigns)) return false;
      i += std::strlen(*sign);
    }
  }
  return digit;
}

}  // namespace

std::string CellText(const std::string& value, CellReader reader) {
  if (IsDdeLink(value)) return "'" + value;
  if (reader != CellReader::AsTyped) return value;
  const auto begin = value.find_first_not_of(' ');
  if (begin == std::string::npos) return value;
  const std::string text = value.substr(begin, value.find_last_not_of(' ') - begin + 1);
  // A formula stays one, and a leading apostrophe already says "text".
  if (text[0] == '=' || text[0] == '\'' || IsPlainNumber(text) || !ReadsAsValue(text)) return value;
  return "'" + value;
}

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

bool PasteAlters(const std::string& value) {
  return value.find_first_of(std::string("\t\r\n\0", 4)) != std::string::npos ||
         (!value.empty() && value[0] == '\'');
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
