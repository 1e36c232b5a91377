#pragma once
// The commands of the main window's pages: which page element runs which command (the binding
// tables), and what each command does. The window itself is reached through IPageCommandHost.
#include <cstddef>
#include <string>
#include <vector>

#include "app/Global.h"
#include "app/Platform.h"
#include "app/WindowPorts.h"
#include "bridge/Browser.h"
#include "bridge/DHTMLEvent.h"
#include "bridge/MiniInputPorts.h"
#include "bridge/ToolLauncher.h"
#include "export/InsertCommand.h"

namespace zel {

enum class PageCommand {
  Setting, Mini, ReadDwg, Pin, Min, HV, Close, MoveForm, QueryPrice,
  InsertExcel, InsertTitle, ErrorClose, ErrorRefresh
};
inline constexpr std::size_t kPageCommandCount = 13;

// One page element bound to a command.
struct BindingRow {
  std::string id;
  EventProperty property;
  PageCommand command;
  bool operator==(const BindingRow& o) const {
    return id == o.id && property == o.property && command == o.command;
  }
};

// The rows of the wide ("H") and the narrow ("V") page.
const std::vector<BindingRow>& WideBindings();
const std::vector<BindingRow>& NarrowBindings();

// The rows of the table whose element the page has, in the table's order: what gets bound.
std::vector<BindingRow> RowsToBind(IBrowser& browser, const std::vector<BindingRow>& table);

// What the page commands ask of the main window.
class IPageCommandHost {
 public:
  IPageCommandHost() = default;
  IPageCommandHost(const IPageCommandHost&) = delete;
  IPageCommandHost& operator=(const IPageCommandHost&) = delete;
  virtual ~IPageCommandHost() = default;
  // Hidden, wide layout, shown (ChangeToH).
  virtual void ShowWideLayout() = 0;
  // Hidden, the other layout at its remembered place with its page fresh, shown.
  virtual void SwitchLayout() = 0;
  // In the wide layout, remembers where the window stands for the next time it is wide.
  virtual void RememberWidePlace() = 0;
  // Pinned becomes unpinned and the other way round.
  virtual void TogglePin() = 0;
  virtual void CloseProgram() = 0;
  virtual void RestoreApplication() = 0;
  // The wide browser shows the error page this window loaded, and nothing else since.
  virtual bool ShowsOwnErrorPage() = 0;
};

struct TPageCommandPorts {
  IPageCommandHost& host;
  IMainBrowsers& browsers;
  IFormWindow& window;
  IMiniInputWindow& mini;
  ISinkFactory& sinks;
  IRegistry& registry;
  IToolLauncher& tools;
  IInsertCommand& insert;
};

class TPageCommands final : public IMiniInputOwner {
 public:
  TPageCommands(TGlobals& settings, TPageCommandPorts ports);
  TPageCommands(const TPageCommands&) = delete;
  TPageCommands& operator=(const TPageCommands&) = delete;
  ~TPageCommands() override;

  // One sink per command, made once.
  void CreateSinks();
  // Binds the wide page's elements (BindHtmlEvent) and the narrow page's (BindHtmlEvent2); only
  // pages that MayBind.
  void BindHtmlEvent();
  void BindHtmlEvent2();
  // A browser's command state changed: both pages bound again once both are complete.
  void CommandStateChange();
  // Only pages of the service host, and the error page the window loaded, get handlers.
  bool MayBind(IBrowser& browser);
  // What a click on a bound element runs.
  void Run(PageCommand command);

  void SettingEventHandle();
  void MiniEventHandle();
  void ReadDwgEventHandle();
  void PinEventHandle();
  void MinEventHandle();
  void HVEventHandle();
  void CloseEventHandle();
  void MoveFormEventHandle();
  // The system drags the main window with the mouse until the button is released.
  void MoveForm();
  void QueryPriceEventHandle();
  void ErrorCloseEventHandle();
  void ErrorRefreshEventHandle();

  // IMiniInputOwner
  void ShowOwner() override;
  void QueryFromMini(const std::string& keyword) override;
  void OpenInMain(const std::string& url) override;

 private:
  // Wide layout, the page's switch to its wide form, then its own function; a page without them
  // does nothing more.
  void OpenOnWidePage(const char* script);
  void Bind(IBrowser& browser, const std::vector<BindingRow>& table);

  TGlobals& settings_;
  TPageCommandPorts ports_;
  std::vector<IEventSink*> sinks_;
};

}  // namespace zel
