// A copy of cells, as Excel makes it: the spreadsheet owns the clipboard, offers its many
// formats without data, and renders each one only when a program asks for it
// (WM_RENDERFORMAT), or all of them when it ends while it still owns the clipboard. Some of the
// formats are data that stands on its own (texts, HTML, RTF, CSV, the spreadsheet's own
// interchange formats); the others describe or link to the live copy in this process, and mean
// nothing once another program owns the clipboard.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "Sheet.h"
#include "app/win32/Owners.h"
#include "app/win32/Window.h"

namespace sheet {

using zel::win32::ToAnsi;
using zel::win32::Widen;

namespace {

struct Range {
  long top = 1, left = 1, bottom = 1, right = 1;
};

std::string RangeName(const Range& r) {
  return "R" + std::to_string(r.top) + "C" + std::to_string(r.left) + ":R" +
         std::to_string(r.bottom) + "C" + std::to_string(r.right);
}

// What each copied cell shows; a cell never written shows what a price list would.
std::vector<std::vector<std::string>> Shown(const Range& r) {
  std::vector<std::vector<std::string>> rows;
  for (long row = r.top; row <= r.bottom; ++row) {
    std::vector<std::string>& cells = rows.emplace_back();
    for (long column = r.left; column <= r.right; ++column) {
      std::string text = Current().grid.Get(row, column);
      if (text.empty()) text = "r" + std::to_string(row) + "c" + std::to_string(column) + "价";
      cells.push_back(text);
    }
  }
  return rows;
}

std::string Joined(const std::vector<std::vector<std::string>>& rows, const std::string& cell,
                   const std::string& row, const std::string& before = {},
                   const std::string& after = {}) {
  std::string out;
  for (const auto& cells : rows) {
    for (std::size_t i = 0; i < cells.size(); ++i) {
      if (i > 0) out += cell;
      out += before + cells[i] + after;
    }
    out += row;
  }
  return out;
}

std::string Wide(const std::string& utf8) {
  const std::wstring wide = Widen(utf8);
  return std::string(reinterpret_cast<const char*>(wide.c_str()), (wide.size() + 1) * sizeof(wchar_t));
}

// "HTML Format": the description's offsets, then the page.
std::string Html(const std::vector<std::vector<std::string>>& rows) {
  const std::string page = "<html><body><!--StartFragment--><table>" +
                           Joined(rows, "", "</tr>", "<td>", "</td>").insert(0, "<tr>") +
                           "</table><!--EndFragment--></body></html>";
  const char* kHeader = "Version:0.9\r\nStartHTML:%010zu\r\nEndHTML:%010zu\r\n"
                        "StartFragment:%010zu\r\nEndFragment:%010zu\r\n";
  char header[200];
  const std::size_t size = static_cast<std::size_t>(std::snprintf(header, sizeof header, kHeader, std::size_t{0},
                                                                  std::size_t{0}, std::size_t{0}, std::size_t{0}));
  std::snprintf(header, sizeof header, kHeader, size, size + page.size(),
                size + page.find("<!--StartFragment-->") + 20, size + page.find("<!--EndFragment-->"));
  return header + page + std::string(1, '\0');
}

std::string Rtf(const std::vector<std::vector<std::string>>& rows) {
  std::string out = "{\\rtf1\\ansi\\ansicpg936 ";
  for (const auto& cells : rows) {
    out += "\\trowd";
    for (std::size_t i = 1; i <= cells.size(); ++i) out += "\\cellx" + std::to_string(i * 1000);
    for (const auto& cell : cells) {
      for (const wchar_t c : Widen(cell)) {
        out += c < 128 ? std::string(1, static_cast<char>(c)) : "\\u" + std::to_string(static_cast<short>(c)) + "?";
      }
      out += "\\cell ";
    }
    out += "\\row ";
  }
  return out + "}" + std::string(1, '\0');
}

// The spreadsheet's own binary interchange format, modelled: a record per cell.
std::string Biff(const std::vector<std::vector<std::string>>& rows) {
  std::string out;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (std::size_t c = 0; c < rows[r].size(); ++c) {
      const std::string text = Wide(rows[r][c]);
      const std::uint32_t header[3] = {static_cast<std::uint32_t>(r), static_cast<std::uint32_t>(c),
                                       static_cast<std::uint32_t>(text.size())};
      out.append(reinterpret_cast<const char*>(header), sizeof header);
      out += text;
    }
  }
  return out;
}

enum class Kind { Data, Live, Bitmap, Picture };

struct Format {
  const wchar_t* name;  // registered formats; nullptr for a standard one
  UINT standard;
  Kind kind;
};

// What Excel offers after a copy of cells, in its order.
const Format kFormats[] = {
    {L"DataObject", 0, Kind::Live},          {L"Biff12", 0, Kind::Data},
    {L"Biff8", 0, Kind::Data},               {L"Biff5", 0, Kind::Data},
    {L"SYLK", 0, Kind::Data},                {L"Link", 0, Kind::Live},
    {L"DIF", 0, Kind::Data},                 {L"XML Spreadsheet", 0, Kind::Data},
    {L"HTML Format", 0, Kind::Data},         {nullptr, CF_UNICODETEXT, Kind::Data},
    {nullptr, CF_TEXT, Kind::Data},          {L"Csv", 0, Kind::Data},
    {L"Rich Text Format", 0, Kind::Data},    {L"Embed Source", 0, Kind::Live},
    {L"Object Descriptor", 0, Kind::Live},   {L"Link Source", 0, Kind::Live},
    {L"Link Source Descriptor", 0, Kind::Live}, {L"Ole Private Data", 0, Kind::Live},
    {L"Native", 0, Kind::Live},              {L"OwnerLink", 0, Kind::Live},
    {L"ObjectLink", 0, Kind::Live},          {nullptr, CF_ENHMETAFILE, Kind::Picture},
    {nullptr, CF_BITMAP, Kind::Bitmap},
};

UINT FormatId(const Format& f) { return f.name ? ::RegisterClipboardFormatW(f.name) : f.standard; }

HANDLE GlobalOf(const std::string& bytes) {
  const HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes.size() == 0 ? 1 : bytes.size());
  if (memory == nullptr) return nullptr;
  std::memcpy(::GlobalLock(memory), bytes.data(), bytes.size());
  ::GlobalUnlock(memory);
  return memory;
}

class ClipboardOwner final : public zel::win32::Window {
 public:
  ClipboardOwner() {
    CreateParams params;
    params.parent = HWND_MESSAGE;
    Create(L"ZelSheetClipboardOwner", params);
  }

  // EmptyClipboard, then every format offered without data.
  bool Copy(const Range& range) {
    if (!::OpenClipboard(Handle())) return false;
    ::EmptyClipboard();
    range_ = range;
    for (const Format& f : kFormats) ::SetClipboardData(FormatId(f), nullptr);
    ::CloseClipboard();
    return true;
  }

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    switch (message) {
      case WM_RENDERFORMAT:
        Render(static_cast<UINT>(wParam));
        return 0;
      case WM_RENDERALLFORMATS:
        if (::OpenClipboard(Handle())) {
          if (::GetClipboardOwner() == Handle()) {
            for (const Format& f : kFormats) Render(FormatId(f));
          }
          ::CloseClipboard();
        }
        return 0;
      default:
        return DefaultHandling(message, wParam, lParam);
    }
  }

 private:
  void Render(UINT id) {
    for (const Format& f : kFormats) {
      if (FormatId(f) != id) continue;
      const HANDLE data = f.kind == Kind::Bitmap    ? Bitmap()
                          : f.kind == Kind::Picture ? Picture()
                                                    : GlobalOf(Bytes(f));
      if (data != nullptr) ::SetClipboardData(id, data);
      return;
    }
  }

  std::string Bytes(const Format& f) const {
    const std::wstring name = f.name ? f.name : L"";
    const auto rows = Shown(range_);
    if (f.standard == CF_UNICODETEXT) return Wide(Joined(rows, "\t", "\r\n"));
    if (f.standard == CF_TEXT) return ToAnsi(Joined(rows, "\t", "\r\n")) + std::string(1, '\0');
    if (name == L"HTML Format") return Html(rows);
    if (name == L"Rich Text Format") return Rtf(rows);
    if (name == L"Csv") return ToAnsi(Joined(rows, ",", "\r\n")) + std::string(1, '\0');
    if (name == L"XML Spreadsheet") {
      return "<?xml version=\"1.0\"?><ss:Workbook><ss:Worksheet><ss:Table>" +
             Joined(rows, "", "</ss:Row>", "<ss:Cell><ss:Data ss:Type=\"String\">", "</ss:Data></ss:Cell>")
                 .insert(0, "<ss:Row>") +
             "</ss:Table></ss:Worksheet></ss:Workbook>" + std::string(1, '\0');
    }
    if (name == L"SYLK") return "ID;PWXL;N;E\r\n" + Joined(rows, "\r\n", "\r\n", "C;K\"", "\"") + "E\r\n";
    if (name == L"DIF") return "TABLE\r\n0,1\r\n\"EXCEL\"\r\n" + Joined(rows, "\r\n", "\r\n-1,0\r\nBOT\r\n", "1,0\r\n\"", "\"");
    if (f.kind == Kind::Data) return Biff(rows);
    // The live copy: which process, window and range it is; no other program can use it.
    char live[160];
    std::snprintf(live, sizeof live, "Excel%c%s%c%s%c%lu%c%p%c", 0, ToAnsi(kBookName).c_str(), 0,
                  RangeName(range_).c_str(), 0, ::GetCurrentProcessId(), 0, static_cast<void*>(Handle()), 0);
    return std::string(live, sizeof live);
  }

  HANDLE Bitmap() const {
    const HDC screen = ::GetDC(nullptr);
    const HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 640, 400);
    ::ReleaseDC(nullptr, screen);
    return bitmap;
  }

  HANDLE Picture() const {
    const HDC dc = ::CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
    if (dc == nullptr) return nullptr;
    ::Rectangle(dc, 0, 0, 640, 400);
    return ::CloseEnhMetaFile(dc);
  }

  Range range_;
};

}  // namespace

bool CopyToClipboard(long top, long left, long bottom, long right) {
  static ClipboardOwner owner;
  return owner.Copy({top, left, bottom, right});
}

}  // namespace sheet
