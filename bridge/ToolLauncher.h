#pragma once
// Starting the companion drawing-reading tool.
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
};

}  // namespace zel
