#include "bridge/MinInput.h"

#include <algorithm>
#include <limits>
#include <utility>
#include <vector>

#include "app/Screens.h"
#include "bridge/Origin.h"
#include "bridge/PagePolicy.h"

namespace zel {

namespace {

// Long before any press.
constexpr std::int64_t kLongAgo = std::numeric_limits<std::int64_t>::min() / 2;

constexpr char kPriceQueryText[] = "查价格";
constexpr char kReloadScript[] = "window.location.reload()";
// Docked at the top while the top is at most this; slid out, this many rows stay on screen.
constexpr int kTopStrip = 3;
// Slid out at the right edge, this many columns stay on screen.
constexpr int kRightStrip = 4;
// A window this close to the top or right edge slides out.
constexpr int kSnapDistance = 20;
// The first position: this far below the primary monitor's top, and from its right edge.
constexpr int kFirstTop = 100;
constexpr int kFirstRightGap = 50;

// The edges the window docks at: those of the monitor it is on, where the desktop ends there.
// On one primary monitor that is the top (0) and the screen width.
struct DockEdges {
  bool hasTop = false;
  bool hasRight = false;
  int top = 0;
  int right = 0;
};

DockEdges EdgesFor(IMonitors& monitors, const WindowRect& window) {
  const std::vector<MonitorInfo> list = monitors.List();
  if (list.empty()) return {};
  const MonitorInfo& monitor = MonitorOf(list, window);
  const OuterEdges outer = OuterEdgesOf(list, monitor, window);
  return {outer.top, outer.right, monitor.bounds.top, monitor.bounds.left + monitor.bounds.width};
}

}  // namespace

// ---- Browser events

class TfrmMinInput::BrowserEvents final : public IBrowserEvents {
 public:
  explicit BrowserEvents(TfrmMinInput& form) : form_(form) {}
  void DocumentComplete(const void* pDisp, const std::string&) override {
    form_.EmbeddedWBMinInputDocumentComplete(pDisp);
  }
  void NavigateComplete2(const std::string&) override {
    form_.EmbeddedWBMinInputNavigateComplete2();
  }
  void NavigateError(const std::string&, int, bool& cancel) override {
    form_.EmbeddedWBMinInputNavigateError(cancel);
  }
  void CommandStateChange(long, bool) override { form_.EmbeddedWBMinInputCommandStateChange(); }
  void DownloadComplete() override { form_.EmbeddedWBMinInputDownloadComplete(); }
  void ScriptError(bool& continueScripts, bool& showDialog) override {
    form_.EmbeddedWBMinInputScriptError(continueScripts, showDialog);
  }
  // The mini page has no context menu at all.
  bool ShowContextMenu(int, int) override { return true; }
  void ReloadKey() override { form_.reloads_.Request(); }
  void NewWindow(const std::string& url) override { form_.EmbeddedWBMinInputNewWindow(url); }

 private:
  TfrmMinInput& form_;
};

// ---- Binding table

enum MiniSinkIndex { kInput, kSearch, kPin, kClose, kMoveForm, kMiniSinkCount };

struct MiniBindingRow {
  const char* id;
  EventProperty property;
  MiniSinkIndex sink;
  void (TfrmMinInput::*handler)();
};

namespace {
constexpr MiniBindingRow kMiniTable[] = {
    {"InputID", EventProperty::OnKeyUp, kInput, &TfrmMinInput::InputEventHandle},
    {"SearchID", EventProperty::OnClick, kSearch, &TfrmMinInput::SearchEventHandle},
    {"PinID", EventProperty::OnClick, kPin, &TfrmMinInput::PinEventHandle},
    {"CloseID", EventProperty::OnClick, kClose, &TfrmMinInput::CloseEventHandle},
    {"MoveFormID", EventProperty::OnMouseDown, kMoveForm, &TfrmMinInput::MoveFormEventHandle},
    {"MoveFormID2", EventProperty::OnMouseDown, kMoveForm, &TfrmMinInput::MoveFormEventHandle},
};
}  // namespace

// ---- The window

TfrmMinInput::TfrmMinInput(TGlobals& globals, IMiniInputOwner& owner, TfrmMinInputPorts ports)
    : LastMoveDown(kLongAgo),
      settings_(globals),
      owner_(owner),
      ports_(ports),
      events_(std::make_unique<BrowserEvents>(*this)),
      reloads_(ports.clock, ports.ReloadTimer,
              [this] { ports_.EmbeddedWBMinInput.ExecScript(kReloadScript); }) {
  ports_.EmbeddedWBMinInput.SetEvents(events_.get());
}

TfrmMinInput::~TfrmMinInput() {
  ports_.EmbeddedWBMinInput.SetEvents(nullptr);
  // The sinks outlive this window: a page that still holds one must not reach it.
  for (IEventSink* sink : sinks_) sink->HookEventHandler(nullptr);
}

void TfrmMinInput::Show() {
  ports_.window.Show();
  ports_.EmbeddedWBMinInput.Focus();
}

void TfrmMinInput::Hide() { ports_.window.Hide(); }

bool TfrmMinInput::OwnsWindow(std::intptr_t window) {
  return window != 0 && (window == ports_.window.Handle() || ports_.EmbeddedWBMinInput.OwnsWindow(window));
}

void TfrmMinInput::FormCreate() {
  ports_.window.SetClientSize(Scaled(settings_.MiniWidth), Scaled(settings_.MiniHeight));
  WindowRect bounds = ports_.window.Bounds();
  const std::vector<MonitorInfo> monitors = ports_.monitors.List();
  if (!monitors.empty()) {
    const WindowRect& primary = PrimaryMonitor(monitors).bounds;
    bounds.top = primary.top + Scaled(kFirstTop);
    bounds.left = primary.left + primary.width - bounds.width - Scaled(kFirstRightGap);
  }
  ports_.window.SetBounds(bounds);
  ports_.ReloadTimer.SetEnabled(false);
  // The sinks come before the first navigation, whose events may arrive inside the call.
  sinks_.clear();
  for (int i = 0; i < kMiniSinkCount; ++i) sinks_.push_back(&ports_.sinks.CreateSink());
  ports_.EmbeddedWBMinInput.SetSilent(true);
  ports_.EmbeddedWBMinInput.Navigate(settings_.MiniIndexUrl);
  SetWindowTop(true);
}

void TfrmMinInput::FormShow() { SetWindowTop(true); }

void TfrmMinInput::FormCanResize(int& width, int& height) {
  width = std::max(width, Scaled(settings_.MiniWidth));
  height = std::max(height, Scaled(settings_.MiniHeight));
}

void TfrmMinInput::FormDestroy() {}

void TfrmMinInput::BindHtmlEvent() {
  IBrowser& browser = ports_.EmbeddedWBMinInput;
  if (!browser.HasDocument() || sinks_.size() != kMiniSinkCount) return;
  if (!IsServiceAddress(settings_, browser.LocationURL())) return;
  for (const MiniBindingRow& row : kMiniTable) {
    auto element = browser.FindElement(row.id);
    if (!element) continue;
    IEventSink& sink = *sinks_[row.sink];
    sink.HookEventHandler([this, handler = row.handler] { (this->*handler)(); });
    element->Bind(row.property, sink);
  }
}

std::string TfrmMinInput::InputValue(const char* id) {
  IBrowser& browser = ports_.EmbeddedWBMinInput;
  if (!browser.HasDocument()) return {};
  const auto element = browser.FindElement(id);
  return element ? element->Value() : std::string();
}

std::string TfrmMinInput::GetKeyword() { return InputValue("InputID"); }

bool TfrmMinInput::IsEnterInput() { return InputValue("MonitorID") == "enter"; }

void TfrmMinInput::SearchModel() {
  std::string keyword = GetKeyword();
  if (Contains(keyword, kPriceQueryText)) keyword.clear();
  owner_.ShowOwner();
  owner_.QueryFromMini(keyword);
  ports_.window.Hide();
}

void TfrmMinInput::InputEventHandle() {
  if (IsEnterInput()) SearchModel();
}

void TfrmMinInput::SearchEventHandle() { SearchModel(); }

void TfrmMinInput::PinEventHandle() { SetWindowTop(true); }

void TfrmMinInput::CloseEventHandle() { ports_.window.Hide(); }

void TfrmMinInput::MoveFormEventHandle() {
  // MSHTML raises onmousedown for every button: only the left one drags or counts.
  if (!LeftButtonPressed(ports_.EmbeddedWBMinInput)) return;
  if (Now() > LastMoveDown + kDoublePressMs) {
    MoveForm();
  } else {
    SearchModel();
  }
  // Read again: after a drag this is the time the drag ended.
  LastMoveDown = Now();
}

void TfrmMinInput::MoveForm() { ports_.window.StartSystemDrag(); }

void TfrmMinInput::SetWindowTop(bool) { ports_.window.SetTopMost(); }

std::string TfrmMinInput::TopControlNameAt(ScreenPoint point) {
  return ports_.window.TopControlNameAt(point);
}

void TfrmMinInput::Timer1Timer() {
  WindowRect bounds = ports_.window.Bounds();
  const DockEdges edge = EdgesFor(ports_.monitors, bounds);
  const bool dockedTop = edge.hasTop && bounds.top - edge.top <= Scaled(kTopStrip);
  const bool dockedRight =
      !dockedTop && edge.hasRight && bounds.left + bounds.width >= edge.right;
  if (!dockedTop && !dockedRight) return;
  if (TopControlNameAt(ports_.window.CursorPos()) != kMiniComponentName) {
    ports_.Timer2.SetEnabled(true);
    return;
  }
  ports_.Timer2.SetEnabled(false);
  const WindowRect before = bounds;
  if (dockedTop) {
    bounds.top = edge.top;
  } else {
    bounds.left = edge.right - bounds.width;
  }
  if (bounds.left != before.left || bounds.top != before.top) ports_.window.SetBounds(bounds);
}

void TfrmMinInput::Timer2Timer() {
  WindowRect bounds = ports_.window.Bounds();
  const WindowRect before = bounds;
  const DockEdges edge = EdgesFor(ports_.monitors, bounds);
  const int snap = Scaled(kSnapDistance);
  if (edge.hasTop && bounds.top - edge.top <= snap) {
    bounds.top = edge.top + Scaled(kTopStrip) - bounds.height;
    if (bounds.left + bounds.width > edge.right) bounds.left = edge.right - bounds.width;
  } else if (edge.hasRight && bounds.left + bounds.width - edge.right >= -snap) {
    bounds.left = edge.right - Scaled(kRightStrip);
  }
  if (bounds.left != before.left || bounds.top != before.top) ports_.window.SetBounds(bounds);
}

void TfrmMinInput::ReloadTimerTimer() { reloads_.TimerTick(); }

void TfrmMinInput::EmbeddedWBMinInputDocumentComplete(const void* pDisp) {
  IBrowser& browser = ports_.EmbeddedWBMinInput;
  if (settings_.IsClosing) {
    browser.Stop();
    return;
  }
  if (browser.IsTopLevel(pDisp) && browser.ReadyState() == 4) {
    BindHtmlEvent();
    LastMoveDown = Now();
    shownDocument_ = browser.DocumentIdentity();
  }
}

void TfrmMinInput::EmbeddedWBMinInputDownloadComplete() {
  IBrowser& browser = ports_.EmbeddedWBMinInput;
  if (settings_.IsClosing || browser.ReadyState() != 4) return;
  const void* document = browser.DocumentIdentity();
  if (document == nullptr || document == shownDocument_) return;
  shownDocument_ = document;
  BindHtmlEvent();
  LastMoveDown = Now();
}

void TfrmMinInput::EmbeddedWBMinInputCommandStateChange() {
  IBrowser& browser = ports_.EmbeddedWBMinInput;
  if (settings_.IsClosing) {
    browser.Stop();
  } else if (browser.ReadyState() == 4) {
    BindHtmlEvent();
  }
}

void TfrmMinInput::EmbeddedWBMinInputNavigateComplete2() { ports_.EmbeddedWBMinInput.SetSilent(true); }

void TfrmMinInput::EmbeddedWBMinInputNavigateError(bool& cancel) {
  cancel = true;
  reloads_.Request();
}

void TfrmMinInput::EmbeddedWBMinInputScriptError(bool& continueScripts, bool& showDialog) {
  continueScripts = true;
  showDialog = false;
}

void TfrmMinInput::EmbeddedWBMinInputNewWindow(const std::string& url) {
  // A service page belongs in the main window, which is there for it.
  OpenNewWindow(settings_, url, ports_.tools, [this](const std::string& address) {
    owner_.ShowOwner();
    owner_.OpenInMain(address);
    ports_.window.Hide();
  });
}

std::int64_t TfrmMinInput::Now() { return ports_.clock.TickMs(); }

int TfrmMinInput::Scaled(int length) { return ScaleToDpi(length, ports_.window.Dpi()); }

}  // namespace zel
