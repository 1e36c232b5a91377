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
// Names a file; every script the program runs in a page is appended to it, one line each.
constexpr char kScriptLogVariable[] = "ZEL_STANDIN_SCRIPTS";
// The optical zoom the program asks for goes to the same record as this text and the percent.
constexpr char kZoomRecord[] = "[optical zoom] ";

}  // namespace zel::standin
