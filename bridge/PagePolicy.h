#pragma once
// What an embedded page may do on its own. The WebBrowser control acts as Internet Explorer
// would: its accelerators open windows, dialogs and panes, step through history or zoom, and
// its links may open windows of their own. Zel's pages behave as part of the program instead.
#include <functional>
#include <string>

namespace zel {

struct TGlobals;
class IToolLauncher;

// Virtual-key codes the policy names (the values Windows gives them).
namespace vk {
inline constexpr int Back = 0x08, Tab = 0x09, Return = 0x0D, Escape = 0x1B, Space = 0x20;
inline constexpr int Prior = 0x21, Next = 0x22, End = 0x23, Home = 0x24;
inline constexpr int Left = 0x25, Up = 0x26, Right = 0x27, Down = 0x28;
inline constexpr int Insert = 0x2D, Delete = 0x2E;
inline constexpr int F1 = 0x70, F3 = 0x72, F4 = 0x73, F5 = 0x74, F24 = 0x87;
inline constexpr int BrowserBack = 0xA6, BrowserHome = 0xAC;
}  // namespace vk

struct KeyModifiers {
  bool ctrl = false;
  bool shift = false;
  bool alt = false;
};

enum class KeyAnswer {
  Page,     // the page has the key as any page would
  Swallow,  // neither the page nor the control's own browser commands see it
  Reload,   // the program's own reload of that browser's page
};

// The answer for a key going down in a page; inField is true while the focus is in a field the
// user can type into.
KeyAnswer KeyAnswerFor(int virtualKey, KeyModifiers modifiers, bool inField);

enum class NewWindowAnswer {
  InPlace,         // a service address: the browser that asked navigates to it
  DefaultBrowser,  // another http or https address: the user's own browser opens it
  Drop,            // any other scheme (file:, javascript:, res: ...): nothing opens
};

// Where an address that a page wants in a new window goes instead.
NewWindowAnswer NewWindowAnswerFor(const TGlobals& globals, const std::string& url);

// Carries the answer out: a service address goes to inPlace, another http or https address to
// the default browser, anything else is logged and dropped. Failures are logged.
void OpenNewWindow(const TGlobals& globals, const std::string& url, IToolLauncher& launcher,
                   const std::function<void(const std::string&)>& inPlace);

}  // namespace zel
