#pragma once
// What the export tests expect to see sent, spelled out rather than taken from the program, so
// that a wrong constant in the program shows.
#include <map>
#include <string>
#include <utility>

namespace zel::fakes {

using Grid = std::map<std::pair<long, long>, std::string>;

inline std::string Sel(const std::string& cell) {
  return "[SELECT(\"" + cell + ":" + cell + "\")]";
}
inline const std::string kPaste = "[PASTE]";
inline const std::string kLogScript = "Q_GetPraiseInsert(2)";
inline const std::string kExcelMessageScript = "alertMsg(\"亲，请先打开Excel，再来插入吧！\")";

}  // namespace zel::fakes
