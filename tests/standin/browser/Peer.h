#pragma once
// What the Wine tests know of the stand-in browser: the names it shows its page under.
// A clickable element becomes a button captioned "<caption> [<id>]"; an input field becomes a
// label "[<id>]" followed by an edit field holding the element's value; the status line shows
// what the page's alertMsg was asked to show.
namespace zel::standin {

// The window the stand-in control draws its page in.
constexpr wchar_t kViewClass[] = L"ZelStandInBrowser";
// Control id of the status line inside that window.
constexpr int kStatusLineId = 1;
// Control id of the header line: the page's title, two spaces, the document's address.
constexpr int kHeaderLineId = 2;
// Names a file; every script the program runs in a page is appended to it, one line each.
constexpr char kScriptLogVariable[] = "ZEL_STANDIN_SCRIPTS";
// The optical zoom the program asks for goes to the same record as this text and the percent.
constexpr char kZoomRecord[] = "[optical zoom] ";
// Follows the percent of a zoom asked for without OLECMDIDF_OPTICAL_ZOOM_NOPERSIST: as IE, the
// stand-in then keeps it for every later control (HKCU, below).
constexpr char kZoomPersisted[] = " persisted";
constexpr wchar_t kZoomKey[] = L"Software\\Microsoft\\Internet Explorer\\Zoom";
constexpr wchar_t kZoomValue[] = L"ZoomFactor";  // REG_DWORD, percent times 1000
// A page control's window property: which handlers the program assigned to its element.
constexpr wchar_t kHandlersProperty[] = L"ZelStandInHandlers";
enum HandlerBits { kOnClickBit = 1, kOnMouseDownBit = 2, kOnKeyUpBit = 4 };
// A registered message to a page view: the file named by the global atom (wParam) is dropped
// on it as Explorer drops it, if the view accepts files. The sender deletes the atom.
constexpr wchar_t kDropFileMessage[] = L"ZelStandInDropFile";
// The same with an address: the page leads its browser there, as a link the user follows in it.
constexpr wchar_t kFollowLinkMessage[] = L"ZelStandInFollowLink";
// Set (to anything) in the program's environment: the page window refuses execScript, as a
// document in IE11's own mode may; eval still runs the script.
constexpr char kRefuseExecScriptVariable[] = "ZEL_STANDIN_REFUSE_EXECSCRIPT";

}  // namespace zel::standin
