#include "logging/Support.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

namespace zel {

namespace {

constexpr char kDumpPrefix[] = "Zel-";
constexpr char kDumpSuffix[] = ".dmp";

bool Digits(const std::string& text, std::size_t from, std::size_t count) {
  if (from + count > text.size()) return false;
  return std::all_of(text.begin() + static_cast<std::ptrdiff_t>(from),
                     text.begin() + static_cast<std::ptrdiff_t>(from + count),
                     [](char c) { return c >= '0' && c <= '9'; });
}

int Number(const std::string& text, std::size_t from, std::size_t count) {
  int value = 0;
  for (std::size_t i = from; i < from + count; ++i) value = value * 10 + (text[i] - '0');
  return value;
}

bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

bool IsDate(int year, int month, int day) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12 || day < 1) return false;
  return day <= kDays[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t DayNumber(int year, int month, int day) {
  const int y = year - (month <= 2 ? 1 : 0);
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yearOfEra = y - era * 400;
  const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return static_cast<std::int64_t>(era) * 146097 + dayOfEra - 719468;
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::string OrUnknown(const std::string& text) { return text.empty() ? "未知" : text; }

}  // namespace

CrashDumpNameText CrashDumpName(const LocalDateTime& t) {
  CrashDumpNameText name{};
  std::snprintf(name.data(), name.size(), "Zel-%04d%02d%02d-%02d%02d%02d.dmp", t.year % 10000,
                t.month % 100, t.day % 100, t.hour % 100, t.minute % 100, t.second % 100);
  return name;
}

bool IsDayLogName(const std::string& name) {
  return name.size() == 12 && Digits(name, 0, 8) && EndsWith(name, ".log") &&
         IsDate(Number(name, 0, 4), Number(name, 4, 2), Number(name, 6, 2));
}

bool IsCrashDumpName(const std::string& name) {
  // "Zel-" 8 digits "-" 6 digits ".dmp"
  return name.size() == 23 && name.compare(0, 4, kDumpPrefix) == 0 && Digits(name, 4, 8) &&
         name[12] == '-' && Digits(name, 13, 6) && EndsWith(name, kDumpSuffix);
}

std::vector<std::string> FilesToRemove(const std::vector<std::string>& names,
                                       const LocalDateTime& today) {
  std::vector<std::string> remove;
  const std::int64_t oldestKept = DayNumber(today.year, today.month, today.day) - kDayLogKeepDays;
  std::vector<std::string> dumps;
  for (const std::string& name : names) {
    if (IsDayLogName(name) &&
        DayNumber(Number(name, 0, 4), Number(name, 4, 2), Number(name, 6, 2)) < oldestKept) {
      remove.push_back(name);
    } else if (IsCrashDumpName(name)) {
      dumps.push_back(name);
    }
  }
  // The names are fixed-width times: their order is the order of the faults.
  std::sort(dumps.begin(), dumps.end());
  if (dumps.size() > kCrashDumpsKept) {
    remove.insert(remove.end(), dumps.begin(),
                  dumps.end() - static_cast<std::ptrdiff_t>(kCrashDumpsKept));
  }
  return remove;
}

std::string StartLineText(const StartFacts& f, bool programFolderTakesFiles) {
  return "启动：版本 " + OrUnknown(f.programVersion) + "，Windows " +
         OrUnknown(f.windowsVersion) + "，浏览器控件 " + OrUnknown(f.browserVersion) +
         "，显示器 " + std::to_string(f.monitors) + " 个，DPI " + std::to_string(f.dpi) +
         (programFolderTakesFiles ? "，程序文件夹可写入" : "，程序文件夹不可写入");
}

std::string CrashLineText(const CrashFacts& f) {
  char head[96];
  std::snprintf(head, sizeof head, "程序崩溃：异常 %08" PRIx32 "，地址 0x%" PRIx64, f.code,
                f.address);
  std::string line = head;
  if (f.module.empty()) {
    line += "（不在任何模块内）";
  } else {
    char offset[32];
    std::snprintf(offset, sizeof offset, "+0x%" PRIx64, f.offset);
    line += "（" + f.module + offset + "）";
  }
  line += f.dumpName.empty() ? "，转储未写入：" + f.dumpFailure : "，转储 " + f.dumpName;
  return line;
}

std::string RecordStart(ILogFileSystem& files, ILogFolder& folder, IClock& clock,
                        const StartFacts& facts) {
  std::string dir;
  try {
    TLogger logger(files, clock, "");
    const std::string besideProgram = files.ExecutableDir() + "log\\";
    logger.WriteLine(
        [&](const std::string& into) { return StartLineText(facts, into == besideProgram); },
        LevelWarning);
    dir = logger.LogDir();
  } catch (...) {
    return {};  // no folder takes lines: nothing to tell and nothing to tidy
  }
  std::vector<std::string> names;
  try {
    names = folder.FileNames(dir);
  } catch (const std::exception& e) {
    Log(std::string("日志文件夹无法读取：") + e.what());
  }
  for (const std::string& name : FilesToRemove(names, clock.Now())) {
    try {
      folder.RemoveFile(dir + name);
    } catch (const std::exception& e) {
      Log("旧文件删除失败：" + name + "：" + e.what());
    }
  }
  return dir;
}

}  // namespace zel
