#pragma once
// Bracketed commands sent to a spreadsheet's DDE system topic, each one waited for as long as
// its route has time left.
#include <string>

#include "export/SpreadsheetLink.h"

namespace zel {

class AcknowledgedCommands {
 public:
  AcknowledgedCommands(IDdeConversation& conversation, const RouteDeadline& deadline)
      : conversation_(conversation), deadline_(deadline) {}
  AcknowledgedCommands(const AcknowledgedCommands&) = delete;
  AcknowledgedCommands& operator=(const AcknowledgedCommands&) = delete;

  // Returns once the server has carried the command out; throws SpreadsheetError when it
  // refused it or did not answer in time, or when the route has no time left to send it.
  // After a time-out nothing more is sent: the server may be hung, and the caller drops the
  // conversation.
  void Send(const std::string& command);
  // The same, but a failure is only noted.
  void TrySend(const std::string& command) noexcept;

  int Accepted() const { return accepted_; }
  // A command that timed out may still be carried out later.
  bool TimedOut() const { return timedOut_; }

 private:
  IDdeConversation& conversation_;
  const RouteDeadline& deadline_;
  int accepted_ = 0;
  bool timedOut_ = false;
};

}  // namespace zel
