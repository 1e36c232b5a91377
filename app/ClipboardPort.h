#pragma once
// The clipboard: the insert pastes through it, the context menu copies and pastes with it.
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zel {

// What the clipboard held, format by format: each format's number and its bytes.
struct ClipboardContents {
  std::vector<std::pair<unsigned, std::string>> formats;
  bool operator==(const ClipboardContents& o) const { return formats == o.formats; }
};

class IClipboard {
 public:
  IClipboard() = default;
  IClipboard(const IClipboard&) = delete;
  IClipboard& operator=(const IClipboard&) = delete;
  virtual ~IClipboard() = default;
  // Replaces the content with the text as Unicode text. Throws on failure.
  virtual void SetClipboardText(const std::string& text) = 0;
  // Empties the clipboard. Throws when the clipboard cannot be opened.
  virtual void Empty() = 0;
  // The Unicode text on the clipboard; nullopt when it holds no text.
  virtual std::optional<std::string> Text() = 0;
  // The data of the formats worth keeping for the user (FormatsToKeep: texts, HTML, RTF, DIB,
  // file lists, a spreadsheet's own formats); only those are asked of an owner that renders
  // on request. Throws on failure.
  virtual ClipboardContents Contents() = 0;
  // Empties the clipboard and puts the contents on it. Throws on failure.
  virtual void SetContents(const ClipboardContents& contents) = 0;
};

}  // namespace zel
