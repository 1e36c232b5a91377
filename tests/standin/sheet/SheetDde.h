#pragma once
// A DDE server that speaks the raw WM_DDE_* messages, as real spreadsheets do: a hidden
// top-level window answers WM_DDE_INITIATE, and each conversation gets its own window.
#include <map>
#include <memory>
#include <string>

#include "Sheet.h"
#include "app/win32/Window.h"

namespace sheet {

class DdeConversationWindow;

class DdeListener final : public zel::win32::Window {
 public:
  explicit DdeListener(std::wstring service);
  ~DdeListener() override;
  // Destroys a finished conversation once its own message is handled.
  void Retire(DdeConversationWindow* conversation);

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  std::wstring service_;
  std::map<DdeConversationWindow*, std::unique_ptr<DdeConversationWindow>> conversations_;
};

}  // namespace sheet
