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
  void NavigateComplete2(const std::string& url) override {
    if (which_ == Which::Wide) {
      form_.EmbeddedWB1NavigateComplete2(url);
    } else {
      form_.EmbeddedWB2NavigateComplete2(url);
    }
  }
  void NavigateError(const std::string&, int, bool& cancel) override {
    if (which_ == Which::Wide) {
      form_.EmbeddedWB1NavigateError(cancel);
    } else {
      form_.EmbeddedWB2NavigateError(cancel);
    }
  }
  void CommandStateChange(long, bool) override {
    if (which_ == Which::Wide) {
      form_.EmbeddedWB1CommandStateChange();
    } else {
      form_.EmbeddedWB2CommandStateChange();
    }
  }
  void ScriptError(bool& continueScripts, bool& showDialog) override {
    if (which_ == Which::Wide) {
      form_.EmbeddedWB1ScriptError(continueScripts, showDialog);
    } else {
      form_.EmbeddedWB2ScriptError(continueScripts, showDialog);
    }
  }
  bool ShowContextMenu(int x, int y) override {
    return form_.ContextMenu.ShowContextMenu(x, y);
  }

 private:
  TfrmMain& form_;
  Which which_;
};

}  // namespace zel
