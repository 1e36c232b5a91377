#pragma once
// What an insert click hands over and what is done with it: the page is read once into a
// request, and a portable decision names the target and the cells (or the message).
#include <string>
#include <vector>

namespace zel {

enum class InsertTarget { Excel, ExWinner, Wps };

// The settings member "soft", compared without regard to case; empty means Excel and every
// other unknown name means WPS.
InsertTarget TargetOf(const std::string& soft);

enum class InsertKind { Row, Caption };

// The page's side of one click.
struct InsertRequest {
  std::string settings;  // "SettingStrID" of the wide page
  std::string rowText;   // "InsertExcelStrID" of the active page (row inserts only)
};

struct InsertDecision {
  enum class Action { Nothing, Excel, Wps, ExWinner, Message };
  Action action = Action::Nothing;
  // The cells from the active cell on (Excel, WPS), or the line's items (ExWinner), each as
  // the spreadsheet must be given it (CellText).
  std::vector<std::string> values;
  std::string message;

  bool operator==(const InsertDecision& o) const {
    return action == o.action && values == o.values && message == o.message;
  }
};

// Rows split at the row separator, caption rows are the "title" member split at ",". A request
// that hands over nothing gives Nothing; a caption row for ExWinner gives the message.
InsertDecision DecideInsert(InsertKind kind, const InsertRequest& request,
                            const std::string& rowSeparator);

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
inline constexpr char kExcelEditingMessage[] = "Excel正在编辑单元格，请按回车键或Esc键结束编辑后再插入！";
inline constexpr char kWpsEditingMessage[] = "WPS正在编辑单元格，请按回车键或Esc键结束编辑后再插入！";
inline constexpr char kExcelLateMessage[] = "Excel没有响应，请稍后再试！";
inline constexpr char kWpsLateMessage[] = "WPS没有响应，请稍后再试！";

inline constexpr char kInsertLogScript[] = "Q_GetPraiseInsert(2)";

}  // namespace zel
