#include "bridge/PagePolicy.h"

#include <string_view>

#include "app/Errors.h"
#include "app/Global.h"
#include "bridge/Origin.h"
#include "bridge/ToolLauncher.h"

namespace zel {

namespace {

bool IsLetter(int key, char letter) { return key == letter; }

// The editing keys every text field offers: select all, copy, paste, cut, undo, redo.
bool IsEditingShortcut(int key) {
  for (const char letter : {'A', 'C', 'V', 'X', 'Z', 'Y'}) {
    if (IsLetter(key, letter)) return true;
  }
  return false;
}

bool HasScheme(const std::string& url, const char* scheme) {
  std::size_t i = 0;
  for (; scheme[i] != '\0'; ++i) {
    if (i >= url.size()) return false;
    char c = url[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != scheme[i]) return false;
  }
  return true;
}

// The default browser gets the address inside its own command line ("%1"): a quote, a space or
// a control character there would end the argument and start another. Addresses IE hands over
// are percent-encoded, so such a character only comes from a page that put it there.
bool FitsACommandLine(const std::string& url) {
  for (const char c : url) {
    const auto u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u >= 0x7F) return false;
    if (std::string_view("\"<>\\^`{|}").find(c) != std::string_view::npos) return false;
  }
  return true;
}

}  // namespace

KeyAnswer KeyAnswerFor(int key, KeyModifiers modifiers, bool inField) {
  if (key == vk::F5 && !modifiers.alt) return KeyAnswer::Reload;
  if (modifiers.ctrl && !modifiers.alt && IsLetter(key, 'R')) return KeyAnswer::Reload;
  // Alt+F4 closes the window as everywhere else.
  if (key == vk::F4 && modifiers.alt && !modifiers.ctrl) return KeyAnswer::Page;
  // Help, find, address bar, caret browsing, full screen, developer tools...
  if (key >= vk::F1 && key <= vk::F24) return KeyAnswer::Swallow;
  // The keyboard's Back, Forward, Refresh, Stop, Search, Favorites and Home keys.
  if (key >= vk::BrowserBack && key <= vk::BrowserHome) return KeyAnswer::Swallow;
  // Outside a field Backspace steps back in history (Shift+Backspace forward).
  if (key == vk::Back) return inField ? KeyAnswer::Page : KeyAnswer::Swallow;
  if (modifiers.alt && !modifiers.ctrl) {
    // Back, forward, home page; other Alt keys are the page's access keys.
    const bool history = key == vk::Left || key == vk::Right || key == vk::Home;
    return history ? KeyAnswer::Swallow : KeyAnswer::Page;
  }
  if (modifiers.ctrl && !modifiers.alt) {
    if (IsEditingShortcut(key)) return KeyAnswer::Page;
    // Word moves and deletions in a field, the older copy and paste keys.
    switch (key) {
      case vk::Left: case vk::Right: case vk::Up: case vk::Down:
      case vk::Home: case vk::End: case vk::Delete: case vk::Insert:
      case vk::Return: case vk::Space:
        return KeyAnswer::Page;
      default:
        // New window, open, print, find, save, panes, favourites, zoom, tab switch...
        return KeyAnswer::Swallow;
    }
  }
  // Typing, Tab, arrows, Home/End, Page Up/Down, Enter, Esc, Delete, AltGr characters.
  return KeyAnswer::Page;
}

NewWindowAnswer NewWindowAnswerFor(const TGlobals& globals, const std::string& url) {
  if (!HasScheme(url, "http://") && !HasScheme(url, "https://")) return NewWindowAnswer::Drop;
  if (IsServiceAddress(globals, url)) return NewWindowAnswer::InPlace;
  return FitsACommandLine(url) ? NewWindowAnswer::DefaultBrowser : NewWindowAnswer::Drop;
}

void OpenNewWindow(const TGlobals& globals, const std::string& url, IToolLauncher& launcher,
                   const std::function<void(const std::string&)>& inPlace) {
  try {
    switch (NewWindowAnswerFor(globals, url)) {
      case NewWindowAnswer::InPlace: inPlace(url); break;
      case NewWindowAnswer::DefaultBrowser: launcher.OpenInDefaultBrowser(url); break;
      case NewWindowAnswer::Drop: Log("新窗口已拒绝：" + url); break;
    }
  } catch (...) {
    ReportCurrentException();
  }
}

}  // namespace zel
