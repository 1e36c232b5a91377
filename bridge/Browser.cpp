#include "bridge/Browser.h"

#include "app/Global.h"

namespace zel {

void IBrowserEvents::FrameNavigateError(const std::string& url, int statusCode, bool& cancel) {
  cancel = true;
  Log("框架载入失败：" + url + " (" + std::to_string(statusCode) + ")");
}

bool LeftButtonPressed(IBrowser& browser) {
  try {
    return (browser.EventButtons() & 1) != 0;
  } catch (const BrowserError&) {
    return true;
  }
}

std::optional<int> ZoomToAsk(int wantedPercent, std::optional<int> shownPercent,
                             bool zoomedBefore) {
  if (wantedPercent != 100) return wantedPercent;
  if (zoomedBefore || (shownPercent && *shownPercent != 100)) return 100;
  return std::nullopt;
}

bool ExecScriptRefused(std::int32_t hresult) {
  constexpr std::int32_t kScriptReported = static_cast<std::int32_t>(0x80020101);
  constexpr std::int32_t kDispException = static_cast<std::int32_t>(0x80020009);
  return hresult < 0 && hresult != kScriptReported && hresult != kDispException;
}

const char* EventPropertyName(EventProperty property) {
  switch (property) {
    case EventProperty::OnClick:
      return "onclick";
    case EventProperty::OnMouseDown:
      return "onmousedown";
    case EventProperty::OnKeyUp:
      return "onkeyup";
  }
  return "";
}

std::string GetSettingJson(IMainBrowsers& browsers) {
  return ElementValue(browsers.Wide(), "SettingStrID");
}

std::string ElementValue(IBrowser& browser, const std::string& id) {
  if (!browser.HasDocument()) return {};
  const auto element = browser.FindElement(id);
  return element ? element->Value() : std::string();
}

}  // namespace zel
