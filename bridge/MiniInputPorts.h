#pragma once
// The mini input window as the main window sees it, and the main window as it sees it.
#include <cstdint>
#include <string>

namespace zel {

// What the mini input window asks of its owner, the main window.
class IMiniInputOwner {
 public:
  IMiniInputOwner() = default;
  IMiniInputOwner(const IMiniInputOwner&) = delete;
  IMiniInputOwner& operator=(const IMiniInputOwner&) = delete;
  virtual ~IMiniInputOwner() = default;
  // Shows the main window.
  virtual void ShowOwner() = 0;
  // Restores the application, shows the wide page and runs its query for the keyword.
  virtual void QueryFromMini(const std::string& keyword) = 0;
  // Restores the application and opens the service address in the page the main window shows.
  virtual void OpenInMain(const std::string& url) = 0;
};

// The small always-on-top search window; the main window creates it on first need.
class IMiniInputWindow {
 public:
  IMiniInputWindow() = default;
  IMiniInputWindow(const IMiniInputWindow&) = delete;
  IMiniInputWindow& operator=(const IMiniInputWindow&) = delete;
  virtual ~IMiniInputWindow() = default;
  virtual void Show() = 0;
  virtual void Hide() = 0;
  virtual bool OwnsWindow(std::intptr_t window) = 0;
};

}  // namespace zel
