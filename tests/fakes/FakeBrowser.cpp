#include "tests/fakes/FakeBrowser.h"

namespace zel::fakes {

namespace {
class FakeElement final : public IHtmlElement {
 public:
  FakeElement(FakeElementState& state, Journal* journal, const std::string& browser)
      : state_(state), journal_(journal), browser_(browser) {}
  std::string Value() override { return state_.value; }
  void Bind(EventProperty property, IEventSink& sink) override {
    if (state_.failBind) throw BrowserError("assigning " + std::string(EventPropertyName(property)) + " failed");
    state_.bound[property] = &sink;
    state_.bindLog.push_back(EventPropertyName(property));
    if (journal_) journal_->Add(browser_ + ".bind " + state_.id + " " + EventPropertyName(property));
  }

 private:
  FakeElementState& state_;
  Journal* journal_;
  std::string browser_;
};
}  // namespace

FakeBrowser::FakeBrowser(std::string n, Journal* j) : name(std::move(n)), journal(j) {}

void FakeBrowser::Note(const std::string& what) {
  if (journal) journal->Add(name + "." + what);
}

FakeElementState& FakeBrowser::AddElement(const std::string& id, const std::string& value) {
  elements.push_back(std::make_unique<FakeElementState>());
  elements.back()->id = id;
  elements.back()->value = value;
  return *elements.back();
}

void FakeBrowser::LoadPage(const std::string& url) {
  documents_.push_back(std::make_unique<int>(0));
  hasDocument = true;
  location = url;
  readyState = 4;
  elements.clear();
  variables.clear();
}

void FakeBrowser::ClearDocument() {
  hasDocument = false;
  elements.clear();
  variables.clear();
}

bool FakeBrowser::Fire(const std::string& id, EventProperty property) {
  for (auto& element : elements) {
    if (element->id != id) continue;
    const auto it = element->bound.find(property);
    if (it == element->bound.end()) return false;
    auto* sink = dynamic_cast<FakeSink*>(it->second);
    return sink != nullptr && sink->Invoke();
  }
  return false;
}

void FakeBrowser::RaiseDocumentComplete(bool topLevel) {
  if (events) events->DocumentComplete(topLevel ? topLevelObject : frameObject, location);
}

void FakeBrowser::RaiseNavigateComplete2() {
  if (events) events->NavigateComplete2(location);
}

bool FakeBrowser::RaiseNavigateError(bool topLevel) {
  bool cancel = false;
  if (events && topLevel) events->NavigateError(location, 404, cancel);
  if (events && !topLevel) events->FrameNavigateError(location + "/frame", 404, cancel);
  return cancel;
}

void FakeBrowser::RaiseDownloadComplete() {
  if (events) events->DownloadComplete();
}

void FakeBrowser::Reload() {
  documents_.push_back(std::make_unique<int>(0));
  for (auto& element : elements) element->bound.clear();
}

const void* FakeBrowser::DocumentIdentity() {
  return hasDocument && !documents_.empty() ? documents_.back().get() : nullptr;
}

int FakeBrowser::EventButtons() {
  if (!eventButtons) throw BrowserError("no event");
  return *eventButtons;
}

void FakeBrowser::RaiseCommandStateChange() {
  if (events) events->CommandStateChange(-1, true);
}

std::pair<bool, bool> FakeBrowser::RaiseScriptError() {
  bool continueScripts = false;
  bool showDialog = true;
  if (events) events->ScriptError(continueScripts, showDialog);
  return {continueScripts, showDialog};
}

void FakeBrowser::Navigate(const std::string& url) {
  Note("navigate " + url);
  if (failNavigate) throw BrowserError("Navigate failed");
  navigations.push_back(url);
  location = url;
  readyState = 1;
}

void FakeBrowser::NavigateWithHeaders(const std::string& url, const std::string& headers) {
  Note("navigate " + url);
  if (failNavigate) throw BrowserError("Navigate failed");
  navigations.push_back(url + "|" + headers);
  location = url;
  readyState = 1;
}

void FakeBrowser::LoadHtml(const std::string& html) {
  Note("loadhtml");
  loadedHtml.push_back(html);
  readyState = 1;
}

void FakeBrowser::Stop() {
  Note("stop");
  ++stops;
}

std::unique_ptr<IHtmlElement> FakeBrowser::FindElement(const std::string& id) {
  ++lookups[id];
  if (failLookups) throw BrowserError("all.item failed");
  for (auto& element : elements) {
    if (element->id != id) continue;
    if (!element->isHtmlElement) throw BrowserError("not an HTML element: " + id);
    return std::make_unique<FakeElement>(*element, journal, name);
  }
  return nullptr;
}

void FakeBrowser::ExecScript(const std::string& code) {
  Note("script " + code);
  scripts.push_back(code);
  if (!hasDocument || failAllScripts || failingScripts.count(code) != 0) {
    throw BrowserError("execScript failed: " + code);
  }
}

std::string FakeBrowser::PageVariable(const std::string& variable) {
  const auto it = variables.find(variable);
  if (!hasDocument || it == variables.end()) throw BrowserError("page has no " + variable);
  return it->second;
}

std::string FakeBrowser::SelectedText() {
  if (!hasDocument || !selectedText) throw BrowserError("selection cannot be read");
  return *selectedText;
}

void FakeBrowser::SetVisible(bool v) {
  Note(v ? "show" : "hide");
  visible = v;
}

}  // namespace zel::fakes
