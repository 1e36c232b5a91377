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

}  // namespace zel
