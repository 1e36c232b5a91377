#pragma once
// The update: the version check with its three downloads, and the self-replacement that the
// check hands over to. Everything runs on the main thread; the downloads complete later,
// through the message loop.
#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "app/Global.h"
#include "update/UpdatePorts.h"

namespace zel {

// Fetches of one file in one check: the first and two more.
inline constexpr int kMaxFetches = 3;
inline constexpr int kRefetchDelayMs = 500;
// What is read of the version file and of the notes.
inline constexpr std::size_t kMaxVersionFileBytes = 4 << 10;
inline constexpr std::size_t kMaxNotesBytes = 64 << 10;

class TUpdateCheck {
 public:
  TUpdateCheck(TGlobals& globals, TUpdatePorts ports, IUpdateOwner& owner);
  TUpdateCheck(const TUpdateCheck&) = delete;
  TUpdateCheck& operator=(const TUpdateCheck&) = delete;
  ~TUpdateCheck();

  // Starts a check unless one was started in this run (UpdateStarted).
  void DownNewVersion();
  // A day after the last check (LastCheckTime), a check is due again and starts.
  void CheckAgainAfterOneDay(const LocalDateTime& now);
  // The completion of any of the three fetches; works out the next step from the files.
  void IEDownload1Complete(DownloadResult Result);
  // The listed version read from VersionFile into the (empty) text.
  void GetServerVersion(std::string& version);
  // Removes the fetched files and the download folder.
  void DeleteDownload();
  // The lines of UpdateInfoFile; none when it is absent.
  std::vector<std::string> LoadUpdateInfo();
  void SetUpdateChoice(bool accepted);
  // Asks the user; on consent writes and starts the replacement script and ends the program.
  void DeleteSelf();
  // Removes the old program that a replacement left beside this one; logs when it cannot.
  void RemoveReplacedProgram();

  std::string DownloadFolder;
  std::string VersionFile;
  std::string UpdateInfoFile;
  // Fixed at the first newer version of the run, like the address it comes from.
  std::string SetupFile;
  std::string BatchFile;
  // The checked copy of the new executable beside the running one, which the script renames.
  std::string NewFile;
  bool UpdateAccepted = false;
  // When the program started, or the last check that a day's wait re-armed.
  LocalDateTime LastCheckTime;

 private:
  enum class Step { Version, Notes, Setup };

  static const char* StepName(Step step);
  std::string TempDir();
  void Fetch(Step step, const std::string& url);
  // Copies the checked download into the program's folder, holds it and checks that copy.
  bool TakeCopy(const std::string& version);
  // Lets go of the copy and removes it.
  void DropCopy();
  // Whether the running program can be replaced at all: signed, in a folder that takes a new
  // file. Logs why not.
  bool CanReplaceSelf();
  // Logs why the check ends here.
  void Fail(const std::string& why);

  TGlobals& settings_;
  TUpdatePorts ports_;
  IUpdateOwner& owner_;
  // The listed version SetupFile was fixed for.
  std::string SetupVersion;
  Step Pending = Step::Version;
  std::array<int, 3> Fetches{};
  std::unique_ptr<IHeldFile> HeldCopy;
  // CanReplaceSelf ran in this check; Running is the running program's signature.
  bool SelfChecked = false;
  Signature Running;
};

}  // namespace zel
