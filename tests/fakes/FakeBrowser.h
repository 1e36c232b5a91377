#pragma once
// A browser with a small DOM: elements by id or name (first match), values, bound event
// properties a test can fire, page variables, a log of navigations and scripts, scripts that
// fail on demand, and the browser events raised on demand.
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "bridge/Browser.h"
#include "bridge/DHTMLEvent.h"
#include "tests/fakes/Journal.h"

namespace zel::fakes {

struct FakeElementState {
  std::string id;
  std::string value;
  bool isHtmlElement = true;
  bool failBind = false;
  std::map<EventProperty, IEventSink*> bound;
  std::vector<std::string> bindLog;  // property names in binding order
};

class FakeSink final : public IEventSink {
 public:
  void HookEventHandler(EventHandler handler) override {
    handler_ = std::move(handler);
    ++hooks;
  }
  // What the browser's call of Invoke does.
  bool Invoke() { return RunSinkHandler(handler_); }
  int hooks = 0;

 private:
  EventHandler handler_;
};

class FakeSinkFactory final : public ISinkFactory {
 public:
  IEventSink& CreateSink() override {
    sinks.push_back(std::make_unique<FakeSink>());
    return *sinks.back();
  }
  std::vector<std::unique_ptr<FakeSink>> sinks;
};

class FakeBrowser final : public IBrowser {
 public:
  FakeBrowser(std::string name, Journal* journal = nullptr);

  // ---- Test controls
  // Loads a page: a document exists, the address is set, ready state 4, the DOM is replaced.
  FakeElementState& AddElement(const std::string& id, const std::string& value = "");
  void LoadPage(const std::string& url);
  void ClearDocument();
  // Fires the event bound to the first element with the id; false when nothing is bound.
  bool Fire(const std::string& id, EventProperty property = EventProperty::OnClick);
  // Raises DocumentComplete for the top-level object (or a frame).
  void RaiseDocumentComplete(bool topLevel = true);
  void RaiseNavigateComplete2();
  bool RaiseNavigateError(bool topLevel = true);  // returns the cancel flag
  void RaiseDownloadComplete();
  // A reload: a new document with the same elements, none bound, and no DocumentComplete.
  void Reload();
  void RaiseCommandStateChange();
  std::pair<bool, bool> RaiseScriptError();  // continue, showDialog
  void RaiseReloadKey() {
    if (events) events->ReloadKey();
  }
  void RaiseNewWindow(const std::string& url) {
    if (events) events->NewWindow(url);
  }

  std::string name;
  Journal* journal;
  IBrowserEvents* events = nullptr;
  bool hasDocument = false;
  std::string location;
  int readyState = 0;
  bool silent = false;
  bool visible = true;
  std::intptr_t window = 0;
  std::vector<std::unique_ptr<FakeElementState>> elements;
  std::map<std::string, std::string> variables;
  std::vector<std::string> navigations;  // "url" or "url|headers"
  std::vector<std::string> loadedHtml;
  std::vector<std::string> scripts;
  std::set<std::string> failingScripts;  // exact script texts that throw
  bool failAllScripts = false;
  bool failLookups = false;
  bool failNavigate = false;
  int stops = 0;
  int focused = 0;
  std::vector<EditCommand> editCommands;
  std::map<std::string, int> lookups;  // FindElement calls by id
  std::optional<std::string> selectedText = std::string();  // none: the read fails
  std::optional<int> eventButtons = 1;  // none: the event cannot be read
  const void* topLevelObject = &topLevelObjectTag_;
  const void* frameObject = &frameObjectTag_;

  // ---- IBrowser
  void SetEvents(IBrowserEvents* e) override { events = e; }
  void Navigate(const std::string& url) override;
  void NavigateWithHeaders(const std::string& url, const std::string& headers) override;
  void LoadHtml(const std::string& html) override;
  void Stop() override;
  void SetSilent(bool s) override { silent = s; }
  bool HasDocument() override { return hasDocument; }
  std::string LocationURL() override { return location; }
  int ReadyState() override { return readyState; }
  bool IsTopLevel(const void* pDisp) override { return pDisp == topLevelObject; }
  const void* DocumentIdentity() override;
  int EventButtons() override;
  std::unique_ptr<IHtmlElement> FindElement(const std::string& id) override;
  void ExecScript(const std::string& code) override;
  std::string PageVariable(const std::string& name) override;
  void ExecCommand(EditCommand command) override { editCommands.push_back(command); }
  std::string SelectedText() override;
  void SetVisible(bool v) override;
  bool Visible() override { return visible; }
  void Focus() override {
    Note("focus");
    ++focused;
  }
  bool OwnsWindow(std::intptr_t w) override { return w != 0 && w == window; }

 private:
  void Note(const std::string& what);
  std::vector<std::unique_ptr<int>> documents_;
  int topLevelObjectTag_ = 0;
  int frameObjectTag_ = 0;
};

// Two fake browsers; the wide one is active unless narrowActive is set.
class FakeMainBrowsers final : public IMainBrowsers {
 public:
  FakeMainBrowsers(FakeBrowser& wide, FakeBrowser& narrow) : wide_(wide), narrow_(narrow) {}
  IBrowser& Wide() override { return wide_; }
  IBrowser& Narrow() override { return narrow_; }
  IBrowser& Active() override { return narrowActive ? static_cast<IBrowser&>(narrow_) : wide_; }
  bool narrowActive = false;

 private:
  FakeBrowser& wide_;
  FakeBrowser& narrow_;
};

}  // namespace zel::fakes
