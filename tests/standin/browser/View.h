#pragma once
// The stand-in browser's window: each element of the page that carries an id is a native
// control (a button for what is clickable, an edit field for an input), so a person and a test
// drive the program the same way. A status line shows what the page was asked to show.
#include <windows.h>

#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "app/win32/Window.h"
#include "tests/standin/browser/Page.h"

namespace zel::standin {

// What the view hands to the control that owns it.
class IViewOwner {
 public:
  // A message the owner posted through the view (Post, PostLater) arrives.
  virtual void OnPosted(UINT message, WPARAM number) = 0;
  // A link was clicked and its handler ran: the browser follows it (target: its target
  // attribute, "_blank" for a new window).
  virtual void OnLinkFollowed(const std::string& href, const std::string& target) = 0;
  // A click or the focus went into the page: the control becomes UI-active.
  virtual void OnActivated() = 0;
  // A file was dropped on the page (only while the view accepts files).
  virtual void OnFileDropped(const std::wstring& path) = 0;
  virtual void OnContextMenu(POINT screen) = 0;

 protected:
  ~IViewOwner() = default;
};

class View final : public win32::Window {
 public:
  View(IViewOwner& owner, HWND parent, const RECT& area);
  ~View() override;

  // Replaces the controls by those of the document's elements.
  void Show(const Document& document);
  void SetStatus(const std::wstring& text);
  // The selected text of the field that last had the focus, and copy or paste there.
  std::wstring SelectedText() const;
  bool EditCommand(DWORD command);
  // Hands the message to the owner from the message loop, now or after the pause.
  void Post(UINT message, WPARAM number);
  void PostLater(UINT message, WPARAM number, UINT delayMs);
  void CancelLater();
  // Tab and Shift+Tab: the focus to the next (previous) control of the page.
  void MoveFocus(bool backwards);

 protected:
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  static UINT DropFileMessage();
  static UINT FollowLinkMessage();
  void DropFromExplorer(ATOM name);
  struct Item {
    HWND window;  // the button or the edit field
    HWND label;  // the edit field's label
    ComPtr<Element> element;
  };

  static LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR, DWORD_PTR view);
  HWND Child(const wchar_t* className, const std::wstring& text, DWORD style, int id);
  void Clear();
  void Layout();
  int TextWidth(const std::wstring& text) const;
  const Item* ItemOf(HWND window) const;
  // Element events run from the message loop, never inside a control's own handling: a
  // handler may replace the page, and with it the control.
  void Queue(const ComPtr<Element>& element, ElementEvent event, long button = 0);
  void FireQueued();

  IViewOwner& owner_;
  HFONT font_;
  HWND header_ = nullptr;
  HWND status_ = nullptr;
  std::vector<Item> items_;
  struct Queued {
    ComPtr<Element> element;
    ElementEvent event;
    long button;  // of a press: 1 left, 2 right, 4 middle
  };
  std::deque<Queued> queued_;
  HWND lastField_ = nullptr;
  UINT laterMessage_ = 0;
  WPARAM laterNumber_ = 0;
};

}  // namespace zel::standin
