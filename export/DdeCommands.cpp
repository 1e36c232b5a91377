#include "export/DdeCommands.h"

namespace zel {

namespace {

const char* OutcomeText(DdeOutcome outcome) {
  switch (outcome) {
    case DdeOutcome::Accepted: return "accepted";
    case DdeOutcome::Refused: return "refused";
    case DdeOutcome::TimedOut: return "timed out";
    case DdeOutcome::NotConnected: return "not sent: no conversation";
  }
  return "unknown";
}

}  // namespace

void AcknowledgedCommands::Send(const std::string& command) {
  if (timedOut_) throw SpreadsheetError(command + " not sent: the server stopped answering");
  const DdeOutcome outcome = conversation_.ExecuteCommand(command, deadline_.Left());
  if (outcome == DdeOutcome::Accepted) {
    ++accepted_;
    return;
  }
  if (outcome == DdeOutcome::TimedOut) timedOut_ = true;
  throw SpreadsheetError(command + " " + OutcomeText(outcome));
}

void AcknowledgedCommands::TrySend(const std::string& command) noexcept {
  try {
    Send(command);
  } catch (...) {
  }
}

}  // namespace zel
