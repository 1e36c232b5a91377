#include "bridge/Browser.h"

namespace zel {

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
