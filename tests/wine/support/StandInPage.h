#pragma once
// The pages Zel.exe shows in the test bed's stand-in browser control: their elements are
// native controls inside Zel's windows, the scripts the program runs in them go to a file, and
// the stand-in service that serves them can be steered.
#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace zel::winetest {

class ZelProcess;

// Starts Zel.exe against the stand-in service into zel and waits for its wide page (the page
// that has the element): the main window, or nullptr when it did not come (the test's failure is
// recorded).
HWND StartShowingWidePage(std::unique_ptr<ZelProcess>& zel, DWORD timeoutMs,
                          const std::string& element = "CloseID");

// The page's clickable elements inside the window, by element id.
std::map<std::string, HWND> PageButtons(HWND window);
// Waits until the window is opaque and its page has the element (its DocumentComplete, the
// binding included, has run by the time a click posted now is handled).
bool WaitForPageElement(HWND window, const std::string& id, DWORD timeoutMs);
// The window's child windows now: a page loaded later shows none of them.
std::set<HWND> PageSnapshot(HWND window);
// Waits until a page loaded after the snapshot shows the element.
bool WaitForNewPage(HWND window, const std::string& id, const std::set<HWND>& before,
                    DWORD timeoutMs);
// The handlers the program assigned to the element shown as a button (bits of
// standin::HandlerBits); 0 when it holds none or the page shows no such button.
int PageHandlers(HWND window, const std::string& id);
// Clicks the element's button as the mouse would; false when the page shows no such element.
bool ClickPageElement(HWND window, const std::string& id);
// The page's input field with that id; nullptr when the page shows none.
HWND PageField(HWND window, const std::string& id);
// Puts the text into a page field of another process, as typing would leave it.
void SetFieldText(HWND field, const std::wstring& text);
// The visible page's status line: what the page's alertMsg was last asked to show.
std::wstring PageStatus(HWND window);
// The address of the document the visible page shows.
std::wstring PageAddress(HWND window);
// Right-clicks the visible page of the window and chooses the item of the program's menu by
// its access key, until the condition holds; false after three tries. Wine cancels a menu
// when X events of the window's latest hide and show reach the program only while the menu
// is open (a focus change): such a menu is opened again.
bool ChoosePageMenuItem(DWORD pid, HWND window, wchar_t accessKey,
                        const std::function<bool()>& chosen);
BYTE WindowAlpha(HWND window);
// The stand-in browser views inside the window, shown or not.
std::vector<HWND> PageViews(HWND window);
// Drops the file on the view as Explorer drops it (if the view accepts files); false when the
// view could not be asked.
bool DropFileOnPage(HWND view, const std::wstring& path);
// The visible page of the window leads its browser to the address, as a link followed in it.
bool FollowLinkInPage(HWND window, const std::wstring& address);

// Every script that a page ran (execScript) since the last clearing, in order.
std::vector<std::string> RecordedScripts();
void ClearRecordedScripts();
// The optical zooms (percent, as text) that the program asked of the stand-in controls, in
// order, since the record was last cleared.
std::vector<std::string> RecordedZooms();
// Polls until the script was run; false after the time-out.
bool WaitForScript(const std::string& script, DWORD timeoutMs);

// The stand-in service: /standin/set with the values (encoded here), /standin/reset, and the
// paths of the requests it answered so far.
struct ServiceAnswer {
  DWORD status = 0;
  std::string body;
};
// A GET of the path from the service, whatever its status. Throws when it is unreachable.
ServiceAnswer ServiceFetch(const std::string& path);
void SetServicePage(const std::vector<std::pair<std::string, std::string>>& values);
void ResetService();
std::vector<std::string> RequestedPaths();
// Of those, the service pages (/pcprice/...).
std::vector<std::string> RequestedPages();

}  // namespace zel::winetest
