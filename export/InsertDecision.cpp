#include "app/Global.h"
#include "export/CellValues.h"
#include "export/Insert.h"

namespace zel {

InsertTarget TargetOf(const std::string& soft) {
  const std::string name = UpperCase(soft);
  if (name.empty() || name == "EXCEL") return InsertTarget::Excel;
  if (name == "EXWINNER") return InsertTarget::ExWinner;
  return InsertTarget::Wps;
}

namespace {

// Each value as the cell must be given it to keep what the page meant, whatever the route.
InsertDecision Write(InsertDecision::Action action, std::vector<std::string> values) {
  if (values.empty()) return {};
  const CellReader reader =
      action == InsertDecision::Action::ExWinner ? CellReader::Unknown : CellReader::AsTyped;
  for (std::string& value : values) value = CellText(value, reader);
  return {action, std::move(values), {}};
}

}  // namespace

InsertDecision DecideInsert(InsertKind kind, const InsertRequest& request,
                            const std::string& rowSeparator) {
  using Action = InsertDecision::Action;
  const std::string soft = GetJsonValue("soft", request.settings);
  const InsertTarget target = TargetOf(soft);
  const Action action = target == InsertTarget::Excel   ? Action::Excel
                        : target == InsertTarget::Wps   ? Action::Wps
                                                        : Action::ExWinner;
  if (kind == InsertKind::Caption) {
    if (target == InsertTarget::ExWinner) return {Action::Message, {}, kNoCaptionForExWinnerMessage};
    // An empty settings text has no "title" either.
    return Write(action, SplitString(GetJsonValue("title", request.settings), ","));
  }
  // ExWinner asks for its own name exactly, as written by the page.
  if (target == InsertTarget::ExWinner && soft != "EXWINNER") return {};
  return Write(action, SplitString(request.rowText, rowSeparator));
}

}  // namespace zel
