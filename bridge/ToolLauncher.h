#pragma once
// Starting programs outside Zel: the companion drawing-reading tool, the user's own browser.
#include <string>

namespace zel {

class IToolLauncher {
 public:
  IToolLauncher() = default;
  IToolLauncher(const IToolLauncher&) = delete;
  IToolLauncher& operator=(const IToolLauncher&) = delete;
  virtual ~IToolLauncher() = default;
  virtual bool FileExists(const std::string& path) = 0;
  // Starts the program of the command line (its first, quoted, part) shown normally and does
  // not wait for it. Throws when it cannot be started.
  virtual void Start(const std::string& commandLine) = 0;
  // Opens the http or https address in the user's default browser, the address as the only
  // thing handed over. Throws when it cannot be opened.
  virtual void OpenInDefaultBrowser(const std::string& url) = 0;
};

}  // namespace zel
