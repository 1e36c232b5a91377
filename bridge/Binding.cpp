// The sinks of the main window and the tables that bind page elements to its handlers.
#include "shell/Main.h"

namespace zel {

enum SinkIndex {
  kSetting, kMini, kReadDwg, kPin, kMin, kHV, kClose, kMoveForm, kQueryPrice,
  kInsertExcel, kInsertTitle, kErrorClose, kErrorRefresh, kSinkCount
};

struct BindingRow {
  const char* id;
  EventProperty property;
  SinkIndex sink;
  void (TfrmMain::*handler)();
};

namespace {
constexpr BindingRow kWideTable[] = {
    {"MiniID", EventProperty::OnClick, kMini, &TfrmMain::MiniEventHandle},
    {"ReadDwgID", EventProperty::OnClick, kReadDwg, &TfrmMain::ReadDwgEventHandle},
    {"PinID", EventProperty::OnClick, kPin, &TfrmMain::PinEventHandle},
    {"MinID", EventProperty::OnClick, kMin, &TfrmMain::MinEventHandle},
    {"HVID", EventProperty::OnClick, kHV, &TfrmMain::HVEventHandle},
    {"CloseID", EventProperty::OnClick, kClose, &TfrmMain::CloseEventHandle},
    {"MoveFormID", EventProperty::OnMouseDown, kMoveForm, &TfrmMain::MoveFormEventHandle},
    {"MoveFormID2", EventProperty::OnMouseDown, kMoveForm, &TfrmMain::MoveFormEventHandle},
    {"InsertExcelID", EventProperty::OnClick, kInsertExcel, &TfrmMain::InsertExcelEventHandle},
    {"btnAddTitle", EventProperty::OnClick, kInsertTitle, &TfrmMain::InsertTitle2ExcelEventHandle},
    {"ErrorRefreshID", EventProperty::OnClick, kErrorRefresh, &TfrmMain::ErrorRefreshEventHandle},
    {"ErrorCloseID", EventProperty::OnClick, kErrorClose, &TfrmMain::ErrorCloseEventHandle},
};

constexpr BindingRow kNarrowTable[] = {
    {"SettingID", EventProperty::OnClick, kSetting, &TfrmMain::SettingEventHandle},
    {"MiniID", EventProperty::OnClick, kMini, &TfrmMain::MiniEventHandle},
    {"ReadDwgID", EventProperty::OnClick, kReadDwg, &TfrmMain::ReadDwgEventHandle},
    {"PinID", EventProperty::OnClick, kPin, &TfrmMain::PinEventHandle},
    {"MinID", EventProperty::OnClick, kMin, &TfrmMain::MinEventHandle},
    {"HVID", EventProperty::OnClick, kHV, &TfrmMain::HVEventHandle},
    {"QueryPriceID", EventProperty::OnClick, kQueryPrice, &TfrmMain::QueryPriceEventHandle},
    {"CloseID", EventProperty::OnClick, kClose, &TfrmMain::CloseEventHandle},
    {"MoveFormID", EventProperty::OnMouseDown, kMoveForm, &TfrmMain::MoveFormEventHandle},
    {"MoveFormID2", EventProperty::OnMouseDown, kMoveForm, &TfrmMain::MoveFormEventHandle},
    {"InsertExcelID", EventProperty::OnClick, kInsertExcel, &TfrmMain::InsertExcelEventHandle},
    {"ErrorRefreshID", EventProperty::OnClick, kErrorRefresh, &TfrmMain::ErrorRefreshEventHandle},
    {"ErrorCloseID", EventProperty::OnClick, kErrorClose, &TfrmMain::ErrorCloseEventHandle},
};
}  // namespace

void TfrmMain::CreateSinks() {
  Sinks.clear();
  for (int i = 0; i < kSinkCount; ++i) Sinks.push_back(&P.sinks.CreateSink());
}

IEventSink& TfrmMain::Sink(int index) { return *Sinks.at(static_cast<std::size_t>(index)); }

void TfrmMain::BindTable(IBrowser& browser, const BindingRow* rows, std::size_t count) {
  if (!browser.HasDocument() || !MayBind(browser)) return;
  for (std::size_t i = 0; i < count; ++i) {
    const BindingRow& row = rows[i];
    auto element = browser.FindElement(row.id);
    if (!element) continue;
    IEventSink& sink = Sink(row.sink);
    sink.HookEventHandler([this, handler = row.handler] { (this->*handler)(); });
    element->Bind(row.property, sink);
  }
}

void TfrmMain::BindHtmlEvent() {
  BindTable(P.EmbeddedWB1, kWideTable, std::size(kWideTable));
}

void TfrmMain::BindHtmlEvent2() {
  BindTable(P.EmbeddedWB2, kNarrowTable, std::size(kNarrowTable));
}

}  // namespace zel
