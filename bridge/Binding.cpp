// The tables that bind the main window's page elements to its commands, and the binding itself.
#include "bridge/Origin.h"
#include "bridge/PageCommands.h"

namespace zel {

namespace {
using C = PageCommand;
constexpr EventProperty kClick = EventProperty::OnClick;
constexpr EventProperty kDown = EventProperty::OnMouseDown;

std::size_t SinkIndex(PageCommand command) { return static_cast<std::size_t>(command); }

// Each row whose element the page has, in the table's order, with that element. A failing
// lookup ends the walk: the rows found before it have been handed on.
template <typename Found>
void ForEachFound(IBrowser& browser, const std::vector<BindingRow>& table, Found&& found) {
  if (!browser.HasDocument()) return;
  for (const BindingRow& row : table) {
    const auto element = browser.FindElement(row.id);
    if (element) found(row, *element);
  }
}
}  // namespace

const std::vector<BindingRow>& WideBindings() {
  static const std::vector<BindingRow> rows = {
      {"MiniID", kClick, C::Mini},
      {"ReadDwgID", kClick, C::ReadDwg},
      {"PinID", kClick, C::Pin},
      {"MinID", kClick, C::Min},
      {"HVID", kClick, C::HV},
      {"CloseID", kClick, C::Close},
      {"MoveFormID", kDown, C::MoveForm},
      {"MoveFormID2", kDown, C::MoveForm},
      {"InsertExcelID", kClick, C::InsertExcel},
      {"btnAddTitle", kClick, C::InsertTitle},
      {"ErrorRefreshID", kClick, C::ErrorRefresh},
      {"ErrorCloseID", kClick, C::ErrorClose},
  };
  return rows;
}

const std::vector<BindingRow>& NarrowBindings() {
  static const std::vector<BindingRow> rows = {
      {"SettingID", kClick, C::Setting},
      {"MiniID", kClick, C::Mini},
      {"ReadDwgID", kClick, C::ReadDwg},
      {"PinID", kClick, C::Pin},
      {"MinID", kClick, C::Min},
      {"HVID", kClick, C::HV},
      {"QueryPriceID", kClick, C::QueryPrice},
      {"CloseID", kClick, C::Close},
      {"MoveFormID", kDown, C::MoveForm},
      {"MoveFormID2", kDown, C::MoveForm},
      {"InsertExcelID", kClick, C::InsertExcel},
      {"ErrorRefreshID", kClick, C::ErrorRefresh},
      {"ErrorCloseID", kClick, C::ErrorClose},
  };
  return rows;
}

std::vector<BindingRow> RowsToBind(IBrowser& browser, const std::vector<BindingRow>& table) {
  std::vector<BindingRow> rows;
  ForEachFound(browser, table, [&rows](const BindingRow& row, IHtmlElement&) {
    rows.push_back(row);
  });
  return rows;
}

void TPageCommands::CreateSinks() {
  sinks_.clear();
  for (std::size_t i = 0; i < kPageCommandCount; ++i) sinks_.push_back(&ports_.sinks.CreateSink());
}

void TPageCommands::Bind(IBrowser& browser, const std::vector<BindingRow>& table) {
  if (!browser.HasDocument() || !MayBind(browser)) return;
  ForEachFound(browser, table, [this](const BindingRow& row, IHtmlElement& element) {
    // Both pages share the sinks: a click reaches the same command whichever page fired.
    IEventSink& sink = *sinks_.at(SinkIndex(row.command));
    sink.HookEventHandler([this, command = row.command] { Run(command); });
    element.Bind(row.property, sink);
  });
}

void TPageCommands::BindHtmlEvent() { Bind(ports_.browsers.Wide(), WideBindings()); }

void TPageCommands::BindHtmlEvent2() { Bind(ports_.browsers.Narrow(), NarrowBindings()); }

void TPageCommands::CommandStateChange() {
  if (settings_.IsClosing) return;
  if (ports_.browsers.Wide().ReadyState() == 4 && ports_.browsers.Narrow().ReadyState() == 4) {
    BindHtmlEvent();
    BindHtmlEvent2();
  }
}

bool TPageCommands::MayBind(IBrowser& browser) {
  if (&browser == &ports_.browsers.Wide() && ports_.host.ShowsOwnErrorPage()) return true;
  return IsServiceAddress(settings_, browser.LocationURL());
}

}  // namespace zel
