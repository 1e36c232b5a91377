#pragma once
// What an insert click asks for: the target application, the cell values the page hands over,
// and the names and messages shared by the insert routes.
#include <string>
#include <vector>

namespace zel {

class TfrmMain;
enum class InsertMode;

enum class InsertTarget { Excel, ExWinner, Wps };

// The settings member "soft", compared without regard to case; empty means Excel and every
// other unknown name means WPS.
InsertTarget TargetOf(const std::string& soft);

// The row values split at the row separator (row), or the "title" captions split at ","
// (caption row); empty when the page hands over nothing. Browser errors pass through.
std::vector<std::string> ReadCellValues(TfrmMain& form, InsertMode mode);

inline constexpr char kExcelService[] = "Excel";
inline constexpr char kExWinnerService[] = "EXCEL";
inline constexpr char kSystemTopic[] = "System";
inline constexpr char kExcelProgId[] = "EXCEL.Application";
inline constexpr const char* kWpsProgIds[] = {"KET.Application", "ET.Application"};

inline constexpr char kOpenExcelMessage[] = "亲，请先打开Excel，再来插入吧！";
inline constexpr char kNoCaptionForExWinnerMessage[] = "表头不能插入ExWinner";
inline constexpr char kOpenWpsMessage[] = "亲，请先打开WPS，再来插入吧！";
inline constexpr char kOpenExWinnerMessage[] = "亲，请先打开ExWinner，再来插入吧！";
inline constexpr char kSelectCellMessage[] = "亲，请先选择要插入的单元格，再来插入吧！";

inline constexpr char kInsertLogScript[] = "Q_GetPraiseInsert(2)";

}  // namespace zel
