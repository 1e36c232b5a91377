#pragma once
// How the insert routes reach a spreadsheet: a DDE conversation, COM automation of a running
// application, and the clipboard. Texts are UTF-8; the adapters keep them Unicode end to end.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/ClipboardPort.h"
#include "app/Global.h"

namespace zel {

class SpreadsheetError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The application kept answering that it is busy for kBusyPatienceMs (a cell being edited, a
// dialog open): it did nothing, and trying it another way now would only meet the same.
class SpreadsheetBusy : public SpreadsheetError {
 public:
  using SpreadsheetError::SpreadsheetError;
};

// A call was given up unanswered: the application may still carry it out.
class SpreadsheetLate : public SpreadsheetError {
 public:
  using SpreadsheetError::SpreadsheetError;
};

inline constexpr int kBusyPatienceMs = 2000;

// Of the instances of one application that answered (their processes, in the order they
// answered), the one whose main window stands highest among the application's main windows
// (their processes, top first): the one the user used last. With no main window at all, the
// first that answered; nullopt when the front one is not among them, so that no other instance
// gets the row.
std::optional<std::size_t> FrontInstance(const std::vector<std::uint32_t>& answered,
                                         const std::vector<std::uint32_t>& mainWindowsTopFirst);

// How long one route of a click may take, all its requests, commands, calls and pauses
// together: a spreadsheet that answers slowly or not at all holds the window no longer.
inline constexpr int kRouteDeadlineMs = 10000;

class RouteDeadline {
 public:
  RouteDeadline(IClock& clock, int budgetMs) : clock_(clock), end_(clock.TickMs() + budgetMs) {}
  // What is left, 0 once the deadline has passed.
  int RemainingMs() const;
  // What is left for the next transaction; throws SpreadsheetError when nothing is.
  int Left() const;

 private:
  IClock& clock_;
  std::int64_t end_;
};

enum class DdeOutcome {
  Accepted,      // the server acknowledged the command as carried out
  Refused,       // negative acknowledgement, or the server was busy
  TimedOut,      // no acknowledgement within the time-out; the conversation is unusable now
  NotConnected,  // no conversation, or the transaction could not be started
};

// One DDE client conversation (DdeClientConv1).
class IDdeConversation {
 public:
  IDdeConversation() = default;
  IDdeConversation(const IDdeConversation&) = delete;
  IDdeConversation& operator=(const IDdeConversation&) = delete;
  virtual ~IDdeConversation() = default;
  // Closes any open conversation and keeps the names; does not connect.
  virtual void SetTarget(const std::string& service, const std::string& topic) = 0;
  // True when connected. After a first failure the service application (if any) is started
  // once and connecting is tried once more; waiting for it to start takes at most timeoutMs.
  virtual bool Connect(int timeoutMs) = 0;
  // True while a conversation with the service and topic is open, as far as this side knows
  // (the server may have gone since).
  virtual bool ConnectedTo(const std::string& service, const std::string& topic) = 0;
  // The reply text within timeoutMs; nullopt when not connected, failed or timed out. Throws
  // SpreadsheetBusy when the server answered busy for kBusyPatienceMs.
  virtual std::optional<std::string> RequestText(const std::string& item, int timeoutMs) = 0;
  // Sends the command as a synchronous transaction and waits for its acknowledgement. Throws
  // SpreadsheetBusy as RequestText does.
  virtual DdeOutcome ExecuteCommand(const std::string& command, int timeoutMs) = 0;
  // Closes the conversation; harmless when nothing is open.
  virtual void Disconnect() = 0;
};

struct CellPosition {
  long row = 0;
  long column = 0;
};

// A running spreadsheet application reached by late-bound automation. Calls throw
// SpreadsheetError when the application rejects them, SpreadsheetBusy when it rejected them as
// busy for kBusyPatienceMs, and SpreadsheetLate when it has not answered within timeoutMs (the
// call is then cancelled where the platform can; the application may still carry it out).
class ISpreadsheetApp {
 public:
  ISpreadsheetApp() = default;
  ISpreadsheetApp(const ISpreadsheetApp&) = delete;
  ISpreadsheetApp& operator=(const ISpreadsheetApp&) = delete;
  virtual ~ISpreadsheetApp() = default;
  // ActiveCell.Row and ActiveCell.Column.
  virtual CellPosition ActiveCell(int timeoutMs) = 0;
  // Cells.Item(row, column).Value2 := text.
  virtual void SetCellText(long row, long column, const std::string& text, int timeoutMs) = 0;
  // Range(first cell, last cell).Value2 := the texts as one row, in one call; the cells from
  // (row, column) to the right, one text each.
  virtual void SetRowTexts(long row, long column, const std::vector<std::string>& texts,
                           int timeoutMs) = 0;
  // Cells.Item(row, column).Select.
  virtual void SelectCell(long row, long column, int timeoutMs) = 0;
};

class IAutomation {
 public:
  IAutomation() = default;
  IAutomation(const IAutomation&) = delete;
  IAutomation& operator=(const IAutomation&) = delete;
  virtual ~IAutomation() = default;
  // The running object of the ProgID, of the instance in front where there are several; throws
  // SpreadsheetError when there is none, and as ISpreadsheetApp's calls do.
  virtual std::unique_ptr<ISpreadsheetApp> GetRunningApp(const std::string& progId,
                                                         int timeoutMs) = 0;
};

}  // namespace zel
