#include "tests/wine/support/StandInPage.h"

#include <wininet.h>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <sstream>
#include <stdexcept>

#include "app/Startup.h"
#include "app/win32/Owners.h"
#include "shell/win32/MainForm.h"
#include "tests/standin/browser/Peer.h"
#include "tests/wine/support/WineEnv.h"
#include "tests/wine/support/ZelProcess.h"

namespace zel::winetest {

namespace {

using win32::Narrow;
using win32::Widen;

BOOL CALLBACK CollectChild(HWND child, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
  return TRUE;
}

std::vector<HWND> Descendants(HWND window) {
  std::vector<HWND> found;
  ::EnumChildWindows(window, &CollectChild, reinterpret_cast<LPARAM>(&found));
  return found;
}

std::string Encoded(const std::string& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const unsigned char c : text) {
    if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

using InternetHandle = win32::UniqueHandle<HINTERNET, &::InternetCloseHandle>;

std::string ServiceGet(const std::string& path) { return ServiceFetch(path).body; }

std::string ScriptFile() { return WinePath(Env(standin::kScriptLogVariable)); }

// The stand-in's view of the page the window shows; nullptr when none is visible.
HWND PageView(HWND window) {
  for (const HWND child : Descendants(window)) {
    if (::IsWindowVisible(child) && ClassOf(child) == standin::kViewClass) return child;
  }
  return nullptr;
}

// Hands the text to the view with the stand-in's registered message, as a global atom: the
// stand-in makes what it stands for in its own process.
bool SendToView(HWND view, const wchar_t* message, const std::wstring& text) {
  if (view == nullptr) return false;
  const ATOM atom = ::GlobalAddAtomW(text.c_str());
  if (atom == 0) return false;
  DWORD_PTR ignored = 0;
  const bool sent = ::SendMessageTimeoutW(view, ::RegisterWindowMessageW(message), atom, 0,
                                          SMTO_NORMAL, 5000, &ignored) != 0;
  ::GlobalDeleteAtom(atom);
  return sent;
}

}  // namespace

std::vector<HWND> PageViews(HWND window) {
  std::vector<HWND> views;
  for (const HWND child : Descendants(window)) {
    if (ClassOf(child) == standin::kViewClass) views.push_back(child);
  }
  return views;
}

bool DropFileOnPage(HWND view, const std::wstring& path) {
  return SendToView(view, standin::kDropFileMessage, path);
}

bool FollowLinkInPage(HWND window, const std::wstring& address) {
  return SendToView(PageView(window), standin::kFollowLinkMessage, address);
}

HWND StartShowingWidePage(std::unique_ptr<ZelProcess>& zel, DWORD timeoutMs,
                          const std::string& element) {
  zel = std::make_unique<ZelProcess>(ServiceArguments());
  const HWND form = WaitForProcessWindow(zel->Id(), win32::MainForm::kClassName,
                                         Widen(kAppTitle), timeoutMs);
  EXPECT_NE(form, nullptr);
  EXPECT_TRUE(form && WaitForPageElement(form, element, timeoutMs)) << element;
  return form;
}

std::map<std::string, HWND> PageButtons(HWND window) {
  std::map<std::string, HWND> buttons;
  for (const HWND child : Descendants(window)) {
    if (!::IsWindowVisible(child) || ClassOf(child) != L"Button") continue;
    const std::string text = Narrow(WindowText(child));
    const std::size_t open = text.rfind('[');
    if (open == std::string::npos || text.back() != ']') continue;
    buttons.emplace(text.substr(open + 1, text.size() - open - 2), child);
  }
  return buttons;
}

BYTE WindowAlpha(HWND window) {
  BYTE alpha = 0;
  DWORD flags = 0;
  if (!::GetLayeredWindowAttributes(window, nullptr, &alpha, &flags)) return 255;
  return (flags & LWA_ALPHA) ? alpha : 255;
}

bool WaitForPageElement(HWND window, const std::string& id, DWORD timeoutMs) {
  return PumpUntil(
      [&] { return WindowAlpha(window) == 255 && PageButtons(window).count(id) == 1; }, timeoutMs);
}

std::set<HWND> PageSnapshot(HWND window) {
  const std::vector<HWND> children = Descendants(window);
  return {children.begin(), children.end()};
}

bool WaitForNewPage(HWND window, const std::string& id, const std::set<HWND>& before,
                    DWORD timeoutMs) {
  return PumpUntil(
      [&] {
        const auto buttons = PageButtons(window);
        const auto it = buttons.find(id);
        return it != buttons.end() && before.count(it->second) == 0;
      },
      timeoutMs);
}

int PageHandlers(HWND window, const std::string& id) {
  const auto buttons = PageButtons(window);
  const auto it = buttons.find(id);
  if (it == buttons.end()) return 0;
  return static_cast<int>(
      reinterpret_cast<INT_PTR>(::GetPropW(it->second, standin::kHandlersProperty)));
}

bool ClickPageElement(HWND window, const std::string& id) {
  const auto buttons = PageButtons(window);
  const auto it = buttons.find(id);
  if (it == buttons.end()) return false;
  return ::PostMessageW(it->second, BM_CLICK, 0, 0) != FALSE;
}

HWND PageField(HWND window, const std::string& id) {
  // The field comes right after its label "[id]".
  const std::wstring label = Widen("[" + id + "]");
  for (const HWND child : Descendants(window)) {
    if (::IsWindowVisible(child) && ClassOf(child) == L"Static" && WindowText(child) == label) {
      return ::GetWindow(child, GW_HWNDNEXT);
    }
  }
  return nullptr;
}

void SetFieldText(HWND field, const std::wstring& text) {
  DWORD_PTR ignored = 0;
  ::SendMessageTimeoutW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                        SMTO_NORMAL, 5000, &ignored);
}

std::wstring PageStatus(HWND window) {
  const HWND view = PageView(window);
  return view ? WindowText(::GetDlgItem(view, standin::kStatusLineId)) : std::wstring();
}

std::wstring PageAddress(HWND window) {
  const HWND view = PageView(window);
  const std::wstring header = view ? WindowText(::GetDlgItem(view, standin::kHeaderLineId)) : L"";
  const std::size_t gap = header.rfind(L"  ");
  return gap == std::wstring::npos ? std::wstring() : header.substr(gap + 2);
}

bool ChoosePageMenuItem(DWORD pid, HWND window, wchar_t accessKey,
                        const std::function<bool()>& chosen) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    const HWND view = PageView(window);
    if (view == nullptr) return false;
    RECT at{};
    ::GetWindowRect(view, &at);
    ::PostMessageW(view, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(view),
                   MAKELPARAM((at.left + at.right) / 2, (at.top + at.bottom) / 2));
    HWND menu = nullptr;
    const bool shown = PumpUntil(
        [&] {
          for (const HWND w : ProcessWindows(pid, L"#32768")) {
            if (::IsWindowVisible(w)) menu = w;
          }
          return menu != nullptr;
        },
        2000);
    if (!shown) continue;
    ::PostMessageW(menu, WM_CHAR, accessKey, 0);
    if (PumpUntil(chosen, 3000)) return true;
  }
  return false;
}

std::vector<std::string> RecordedScripts() {
  const win32::UniqueHandleObj file(win32::OwnFileHandle(::CreateFileW(
      Widen(ScriptFile()).c_str(), GENERIC_READ,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr)));
  std::string bytes;
  char buffer[4096];
  DWORD read = 0;
  while (file && ::ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) {
    bytes.append(buffer, read);
  }
  std::vector<std::string> scripts;
  std::istringstream lines(bytes);
  for (std::string line; std::getline(lines, line);) scripts.push_back(line);
  return scripts;
}

std::vector<std::string> RecordedZooms() {
  const std::string prefix = standin::kZoomRecord;
  std::vector<std::string> zooms;
  for (const std::string& line : RecordedScripts()) {
    if (line.rfind(prefix, 0) == 0) zooms.push_back(line.substr(prefix.size()));
  }
  return zooms;
}

void ClearRecordedScripts() { ::DeleteFileW(Widen(ScriptFile()).c_str()); }

bool WaitForScript(const std::string& script, DWORD timeoutMs) {
  return PumpUntil(
      [&] {
        const auto scripts = RecordedScripts();
        return std::find(scripts.begin(), scripts.end(), script) != scripts.end();
      },
      timeoutMs);
}

ServiceAnswer ServiceFetch(const std::string& path) {
  const InternetHandle session(
      ::InternetOpenW(L"Zel Wine test", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
  const std::wstring url = Widen("http://" + ServiceHost() + path);
  const InternetHandle request(::InternetOpenUrlW(
      session.get(), url.c_str(), nullptr, 0,
      INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_UI, 0));
  if (!request) throw std::runtime_error("stand-in service unreachable: " + path);
  ServiceAnswer answer;
  DWORD size = sizeof answer.status;
  ::HttpQueryInfoW(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER,
                   &answer.status, &size, nullptr);
  char buffer[8192];
  DWORD read = 0;
  while (::InternetReadFile(request.get(), buffer, sizeof buffer, &read) && read > 0) {
    answer.body.append(buffer, read);
  }
  return answer;
}

void SetServicePage(const std::vector<std::pair<std::string, std::string>>& values) {
  std::string query;
  for (const auto& [name, value] : values) {
    query += (query.empty() ? "?" : "&") + name + "=" + Encoded(value);
  }
  if (ServiceGet("/standin/set" + query) != "ok") throw std::runtime_error("/standin/set" + query);
}

void ResetService() { ServiceGet("/standin/reset"); }

std::vector<std::string> RequestedPaths() {
  std::vector<std::string> paths;
  for (const auto& request : nlohmann::json::parse(ServiceGet("/standin/requests"))) {
    paths.push_back(request.at("path").get<std::string>());
  }
  return paths;
}

std::vector<std::string> RequestedPages() {
  std::vector<std::string> pages;
  for (const std::string& path : RequestedPaths()) {
    if (path.rfind("/pcprice/", 0) == 0) pages.push_back(path);
  }
  return pages;
}

}  // namespace zel::winetest
