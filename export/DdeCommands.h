#pragma once
// Bracketed commands sent to a spreadsheet's DDE system topic, each one waited for.
#include <string>

#include "export/SpreadsheetLink.h"

namespace zel {

// Long enough for a busy spreadsheet to finish a paste, short enough not to look hung.
inline constexpr int kDdeCommandTimeoutMs = 5000;

class AcknowledgedCommands {
 public:
  AcknowledgedCommands(IDdeConversation& conversation, int timeoutMs)
      : conversation_(conversation), timeoutMs_(timeoutMs) {}
  AcknowledgedCommands(const AcknowledgedCommands&) = delete;
  AcknowledgedCommands& operator=(const AcknowledgedCommands&) = delete;

  // Returns once the server has carried the command out; throws SpreadsheetError when it
  // refused it or did not answer in time. After a time-out nothing more is sent: the server
  // may be hung, and the caller drops the conversation.
  void Send(const std::string& command);
  // The same, but a failure is only noted.
  void TrySend(const std::string& command) noexcept;

  int Accepted() const { return accepted_; }
  // A command that timed out may still be carried out later.
  bool TimedOut() const { return timedOut_; }

 private:
  IDdeConversation& conversation_;
  int timeoutMs_;
  int accepted_ = 0;
  bool timedOut_ = false;
};

}  // namespace zel
