#pragma once
// Routes the events of one main-window browser to the window's handlers.
#include "bridge/Browser.h"
#include "shell/Main.h"

namespace zel {

class TfrmMain::BrowserEvents final : public IBrowserEvents {
 public:
  enum class Which { Wide, Narrow };
  BrowserEvents(TfrmMain& form, Which which) : form_(form), which_(which) {}

  void DocumentComplete(const void* pDisp, const std::string& url) override {
    if (which_ == Which::Wide) {
      form_.EmbeddedWB1DocumentComplete(pDisp, url);
    } else {
      form_.EmbeddedWB2DocumentComplete(pDisp, url);
    }
  }
  void NavigateComplete2(const std::string&) override {
    if (which_ == Which::Wide) {
      form_.EmbeddedWB1NavigateComplete2();
    } else {
      form_.EmbeddedWB2NavigateComplete2();
    }
  }
  void NavigateError(const std::string&, int, bool& cancel) override {
    if (which_ == Which::Wide) {
      form_.EmbeddedWB1NavigateError(cancel);
    } else {
      form_.EmbeddedWB2NavigateError(cancel);
    }
  }
  void CommandStateChange(long, bool) override {}
  void ScriptError(bool& continueScripts, bool& showDialog) override {
    if (which_ == Which::Wide) {
      form_.EmbeddedWB1ScriptError(continueScripts, showDialog);
    } else {
      form_.EmbeddedWB2ScriptError(continueScripts, showDialog);
    }
  }
  // The context menu arrives with the browser menu; until then the browser's own is suppressed.
  bool ShowContextMenu(int, int) override { return true; }

 private:
  TfrmMain& form_;
  Which which_;
};

}  // namespace zel
