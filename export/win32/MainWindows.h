#pragma once
// The main windows of a spreadsheet application, as the user sees them on the desktop.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zel::win32 {

// The classes of an application's main window and of its workbook pane; empty where they are
// not known (then there is one instance, as far as the program can tell).
struct MainWindowClass {
  const wchar_t* main = nullptr;
  const wchar_t* pane = nullptr;
};
// By DDE service name (exactly as the route names it) or by ProgID.
MainWindowClass MainWindowClassOf(const std::string& serviceOrProgId);

// The visible top-level windows of the class, highest in the z-order first.
std::vector<HWND> MainWindowsTopFirst(const wchar_t* className);
std::vector<std::uint32_t> ProcessesOf(const std::vector<HWND>& windows);
std::uint32_t ProcessOf(HWND window);
// The first window of the class among the window's descendants; nullptr when there is none.
HWND DescendantOf(HWND window, const wchar_t* className);

}  // namespace zel::win32
