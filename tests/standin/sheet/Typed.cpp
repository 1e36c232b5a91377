// How Excel reads the text a General cell is given, typed, written to Value2 or pasted: numbers
// lose their zeros in front and what lies past 15 significant digits, "1-2" and "3/4" become
// dates of this year, "12:30" a time, "1 1/2" a fraction, "50%" the number 0.5, "TRUE" a truth
// value, "=" (or "+", "-", "@" before an expression) a formula; a leading apostrophe makes the
// rest text. Cells show what a Chinese (PRC) Excel shows in a column of standard width.
#include <windows.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

#include "Sheet.h"

namespace sheet {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string Trim(const std::string& text) {
  const auto begin = text.find_first_not_of(' ');
  if (begin == std::string::npos) return {};
  return text.substr(begin, text.find_last_not_of(' ') - begin + 1);
}

// Excel keeps 15 significant digits.
double Rounded15(double value) {
  char digits[40];
  std::snprintf(digits, sizeof digits, "%.14e", value);
  return std::strtod(digits, nullptr);
}

// "1.23457E+17": six significant digits, as General shows what does not fit in 11 characters.
std::string Scientific(double value, int decimals) {
  if (value == 0) return "0";
  int exponent = static_cast<int>(std::floor(std::log10(std::fabs(value))));
  double mantissa = value / std::pow(10.0, exponent);
  const double scale = std::pow(10.0, decimals);
  mantissa = std::round(mantissa * scale) / scale;
  if (std::fabs(mantissa) >= 10) {
    mantissa /= 10;
    ++exponent;
  }
  char text[40];
  std::snprintf(text, sizeof text, "%.*f", decimals, mantissa);
  std::string shown = text;
  if (decimals > 0 && shown.find('.') != std::string::npos) {
    shown.erase(shown.find_last_not_of('0') + 1);
    if (shown.back() == '.') shown.pop_back();
  }
  std::snprintf(text, sizeof text, "E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
  return shown + text;
}

std::string General(double value) {
  const double magnitude = std::fabs(value);
  if (magnitude >= 1e11 || (magnitude > 0 && magnitude < 1e-9)) return Scientific(value, 5);
  char text[40];
  std::snprintf(text, sizeof text, "%.10g", value);
  return text;
}

std::string Grouped(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.0f", std::fabs(value));
  std::string digits = text;
  for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) digits.insert(at, ",");
  return (value < 0 ? "-" : "") + digits;
}

Cell Make(const std::string& kind, const std::string& shown, double value = 0) {
  Cell cell;
  cell.kind = kind;
  cell.shown = shown;
  cell.value = value;
  return cell;
}

// [+-] digits (commas between them) [. digits] [E [+-] digits] [%]
std::optional<Cell> Number(const std::string& text) {
  std::size_t i = 0;
  std::string cleaned;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) cleaned += text[i++];
  bool digits = false, commas = false, exponent = false, percent = false;
  while (i < text.size() && (IsDigit(text[i]) || (text[i] == ',' && digits))) {
    if (text[i] == ',') {
      commas = true;
    } else {
      cleaned += text[i];
      digits = true;
    }
    ++i;
  }
  if (i < text.size() && text[i] == '.') {
    cleaned += text[i++];
    while (i < text.size() && IsDigit(text[i])) {
      cleaned += text[i++];
      digits = true;
    }
  }
  if (!digits) return std::nullopt;
  if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
    cleaned += text[i++];
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) cleaned += text[i++];
    if (i == text.size() || !IsDigit(text[i])) return std::nullopt;
    while (i < text.size() && IsDigit(text[i])) cleaned += text[i++];
    exponent = true;
  }
  if (i < text.size() && text[i] == '%') {
    percent = true;
    ++i;
  }
  if (i != text.size()) return std::nullopt;
  double value = Rounded15(std::strtod(cleaned.c_str(), nullptr));
  if (percent) return Make("number", General(value) + "%", value / 100);
  if (exponent) return Make("number", Scientific(value, 2), value);
  if (commas && std::fabs(value) < 1e11 && value == std::floor(value)) {
    return Make("number", Grouped(value), value);
  }
  return Make("number", General(value), value);
}

// Whole numbers between the separator (all of them digits), or none.
std::vector<long> Parts(const std::string& text, char separator) {
  std::vector<long> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(separator, start);
    const std::string part = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (part.empty() || part.size() > 4) return {};
    for (const char c : part) {
      if (!IsDigit(c)) return {};
    }
    parts.push_back(std::strtol(part.c_str(), nullptr, 10));
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

// Days since 1899-12-30, Excel's serial date.
long Serial(long year, long month, long day) {
  year -= month <= 2;
  const long era = year / 400;
  const long yoe = year - era * 400;
  const long doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468 + 25569;
}

bool ValidDay(long year, long month, long day) {
  if (month < 1 || month > 12 || day < 1) return false;
  static const long kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return day <= (month == 2 && !leap ? 28 : kDays[month - 1]);
}

long FullYear(long year) { return year < 30 ? 2000 + year : year < 100 ? 1900 + year : year; }

// m-d and m/d (this year), m-yy and yyyy-m (the first day), y-m-d and m/d/y.
std::optional<Cell> Date(const std::string& text) {
  for (const char separator : {'-', '/'}) {
    const std::vector<long> p = Parts(text, separator);
    if (p.size() < 2 || p.size() > 3) continue;
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    const long thisYear = now.wYear;
    long year = 0, month = 0, day = 1;
    std::string shown;
    if (p.size() == 2 && ValidDay(thisYear, p[0], p[1])) {
      year = thisYear;
      month = p[0];
      day = p[1];
      shown = std::to_string(month) + "月" + std::to_string(day) + "日";
    } else if (p.size() == 2 && p[0] >= 1 && p[0] <= 12 && p[1] > 31) {
      year = FullYear(p[1]);
      month = p[0];
    } else if (p.size() == 2 && p[0] > 31 && p[1] >= 1 && p[1] <= 12) {
      year = FullYear(p[0]);
      month = p[1];
    } else if (p.size() == 3 && p[0] > 31 && ValidDay(FullYear(p[0]), p[1], p[2])) {
      year = FullYear(p[0]);
      month = p[1];
      day = p[2];
    } else if (p.size() == 3 && ValidDay(FullYear(p[2]), p[0], p[1])) {
      year = FullYear(p[2]);
      month = p[0];
      day = p[1];
    } else {
      continue;
    }
    if (shown.empty()) {
      shown = p.size() == 2 ? std::to_string(year) + "年" + std::to_string(month) + "月"
                            : std::to_string(year) + "/" + std::to_string(month) + "/" +
                                  std::to_string(day);
    }
    return Make("date", shown, static_cast<double>(Serial(year, month, day)));
  }
  return std::nullopt;
}

// h:mm and h:mm:ss, with AM or PM after a space.
std::optional<Cell> Time(const std::string& text) {
  std::string clock = text;
  int shift = -1;
  for (const auto& [suffix, hours] : {std::pair{" AM", 0}, {" PM", 12}, {" am", 0}, {" pm", 12}}) {
    const std::string s = suffix;
    if (clock.size() > s.size() && clock.compare(clock.size() - s.size(), s.size(), s) == 0) {
      clock.erase(clock.size() - s.size());
      shift = hours;
    }
  }
  const std::vector<long> p = Parts(clock, ':');
  if (p.size() < 2 || p.size() > 3 || p[1] > 59 || (p.size() == 3 && p[2] > 59)) return std::nullopt;
  long hour = p[0];
  if (shift >= 0) {
    if (hour < 1 || hour > 12) return std::nullopt;
    hour = hour % 12 + shift;
  } else if (hour > 23) {
    return std::nullopt;
  }
  char shown[16];
  std::snprintf(shown, sizeof shown, "%ld:%02ld", hour, p[1]);
  std::string text24 = shown;
  if (p.size() == 3) {
    std::snprintf(shown, sizeof shown, ":%02ld", p[2]);
    text24 += shown;
  }
  const long seconds = hour * 3600 + p[1] * 60 + (p.size() == 3 ? p[2] : 0);
  return Make("time", text24, seconds / 86400.0);
}

// "1 1/2": a whole number, a space and a proper fraction.
std::optional<Cell> Fraction(const std::string& text) {
  const auto space = text.find(' ');
  if (space == std::string::npos) return std::nullopt;
  const std::vector<long> whole = Parts(text.substr(0, space), '#');
  const std::vector<long> fraction = Parts(text.substr(space + 1), '/');
  if (whole.size() != 1 || fraction.size() != 2 || fraction[1] == 0 || fraction[0] >= fraction[1]) {
    return std::nullopt;
  }
  return Make("number", text, whole[0] + static_cast<double>(fraction[0]) / fraction[1]);
}

// A formula that reaches another program through DDE: "|" before "!".
bool IsLink(const std::string& formula) {
  const auto bar = formula.find('|');
  return bar != std::string::npos && formula.find('!', bar + 1) != std::string::npos;
}

Cell Formula(const std::string& formula) {
  return Make(IsLink(formula) ? "link" : "formula", formula);
}

}  // namespace

Cell Typed(const std::string& text) {
  if (text.empty()) return Make("text", "");
  if (text[0] == '\'') return Make("text", text.substr(1));
  if (text[0] == '=' && text.size() > 1) return Formula(text);
  const std::string trimmed = Trim(text);
  // A leading space keeps a date a text, not a number.
  if (auto number = Number(trimmed)) return *number;
  if (text[0] != ' ') {
    if (auto date = Date(trimmed)) return *date;
    if (auto time = Time(trimmed)) return *time;
    if (auto fraction = Fraction(trimmed)) return *fraction;
  }
  std::string upper = trimmed;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (upper == "TRUE" || upper == "FALSE") return Make("bool", upper, upper == "TRUE" ? 1 : 0);
  // Lotus' way in: "+" or "-" before an expression, or "@" before a function.
  if ((text[0] == '+' || text[0] == '-' || text[0] == '@') && text.size() > 1) {
    return Formula("=" + text);
  }
  return Make("text", text);
}

Cell Pasted(const std::string& text) {
  if (!text.empty() && text[0] == '\'') return Make("text", text);
  return Typed(text);
}

Cell Literal(const std::string& text) { return Make("text", text); }

}  // namespace sheet
