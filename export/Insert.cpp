// Placeholder definitions so the main window links until the insert routes land.
#include "shell/Main.h"

namespace zel {

void TfrmMain::InsertExcelEventHandle() {}
void TfrmMain::InsertTitle2ExcelEventHandle() {}

}  // namespace zel
