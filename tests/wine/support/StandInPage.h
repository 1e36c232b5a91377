#pragma once
// The pages Zel.exe shows in the test bed's stand-in browser control: their elements are
// native controls inside Zel's windows, the scripts the program runs in them go to a file, and
// the stand-in service that serves them can be steered.
#include <windows.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace zel::winetest {

// The page's clickable elements inside the window, by element id.
std::map<std::string, HWND> PageButtons(HWND window);
// Waits until the window is opaque and its page has the element (its DocumentComplete, the
// binding included, has run by the time a click posted now is handled).
bool WaitForPageElement(HWND window, const std::string& id, DWORD timeoutMs);
// Clicks the element's button as the mouse would; false when the page shows no such element.
bool ClickPageElement(HWND window, const std::string& id);
// The page's input field with that id; nullptr when the page shows none.
HWND PageField(HWND window, const std::string& id);
// The visible page's status line: what the page's alertMsg was last asked to show.
std::wstring PageStatus(HWND window);
BYTE WindowAlpha(HWND window);

// Every script that a page ran (execScript) since the last clearing, in order.
std::vector<std::string> RecordedScripts();
void ClearRecordedScripts();
// Polls until the script was run; false after the time-out.
bool WaitForScript(const std::string& script, DWORD timeoutMs);

// The stand-in service: /standin/set with the values (encoded here), /standin/reset, and the
// paths of the requests it answered so far.
void SetServicePage(const std::vector<std::pair<std::string, std::string>>& values);
void ResetService();
std::vector<std::string> RequestedPaths();

}  // namespace zel::winetest
