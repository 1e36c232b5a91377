#pragma once
// The DDE client conversation over DDEML: one client instance per process, Unicode throughout.
#include <windows.h>

#include <ddeml.h>

#include <optional>
#include <string>
#include <vector>

#include "app/win32/Owners.h"
#include "export/SpreadsheetLink.h"

namespace zel::win32 {

// DdeDisconnect, noting a conversation that DDEML would not let go.
void EndConversation(HCONV conv);
using UniqueHConv = UniqueHandle<HCONV, EndConversation>;
void EndConversationList(HCONVLIST list);
using UniqueHConvList = UniqueHandle<HCONVLIST, EndConversationList>;

class Win32DdeConversation final : public IDdeConversation {
 public:
  // serviceApplication: the command line started when a first connect fails ("" = none).
  explicit Win32DdeConversation(std::string serviceApplication = "Excel");
  ~Win32DdeConversation() override = default;

  void SetTarget(const std::string& service, const std::string& topic) override;
  bool Connect(int timeoutMs) override;
  // Not to an instance that is no longer in front.
  bool ConnectedTo(const std::string& service, const std::string& topic) override;
  std::optional<std::string> RequestText(const std::string& item, int timeoutMs) override;
  DdeOutcome ExecuteCommand(const std::string& command, int timeoutMs) override;
  void Disconnect() override;

  bool Connected() const { return static_cast<bool>(conv_); }

 private:
  // answered: some server answered, whether or not it was kept.
  bool TryConnect(bool& answered);
  // Of the conversations made, the one with the instance in front (FrontInstance); nullptr
  // when the front one is not among them.
  HCONV Front(const std::vector<HCONV>& made) const;
  bool StartServiceApplication(int timeoutMs);

  std::string serviceApplication_;
  std::string service_;
  std::string topic_;
  // Every instance's conversation, kept while conv_ (one of them) is open; Wine's DdeConnectList
  // connects to none, and DdeConnect then reaches the instance that answers first.
  UniqueHConvList list_;
  UniqueHConv conv_;
};

}  // namespace zel::win32
