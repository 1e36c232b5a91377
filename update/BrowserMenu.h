#pragma once
// The browsers' context menu (pmWB): the program's own, shown in place of the browser's.
namespace zel {

inline constexpr char kRcCopyCaption[] = "复制(&C)";
inline constexpr char kRcPasteCaption[] = "粘贴(&P)";
inline constexpr char kRcRefreshCaption[] = "刷新(&R)";
inline constexpr char kRcCloseCaption[] = "退出(&T)";

enum class BrowserMenuCommand { None, Copy, Paste, Refresh, Close };

struct BrowserMenuStates {
  bool copyEnabled = true;
  bool pasteEnabled = true;
};

class IBrowserMenu {
 public:
  IBrowserMenu() = default;
  IBrowserMenu(const IBrowserMenu&) = delete;
  IBrowserMenu& operator=(const IBrowserMenu&) = delete;
  virtual ~IBrowserMenu() = default;
  // Pops the menu up with its top left at the screen point: copy, paste, refresh, a separator
  // and quit, copy and paste enabled as the states say. Returns once the menu has closed, with
  // the command chosen (None when it was dismissed).
  virtual BrowserMenuCommand Popup(int x, int y, const BrowserMenuStates& states) = 0;
};

}  // namespace zel
