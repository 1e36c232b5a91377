#pragma once
// What the update check and the self-replacement need of the system and of the main window.
// Paths and texts are UTF-8; the adapters convert at the system boundary.
#include <cstdint>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zel {

// 0: the whole resource is stored; anything else: the fetch failed (an HRESULT; an HTTP error
// status s answered by the server gives 0x80190000 + s).
using DownloadResult = std::int32_t;

inline constexpr std::uint64_t kMaxDownloadBytes = 64ull << 20;

// The main window's download component, IEDownload1.
class IDownloader {
 public:
  IDownloader() = default;
  IDownloader(const IDownloader&) = delete;
  IDownloader& operator=(const IDownloader&) = delete;
  virtual ~IDownloader() = default;
  // Receives every completion, on the main thread, never inside Start.
  virtual void SetOnComplete(std::function<void(DownloadResult)> onComplete) = 0;
  // Fetches the address with GET into the folder (ending in "\"), stored under the last segment
  // of the address's path. May be called while a completion is being delivered. Only a whole
  // resource is stored: a body without a Content-Length (chunked ones too) or in an encoding
  // other than identity, one that differs from its Content-Length, one over kMaxDownloadBytes,
  // a redirect away from the address's host, or a fetch that takes longer than its time fails.
  virtual void Start(const std::string& url, const std::string& folder) = 0;
};

// A file held open by CopyAndHold.
class IHeldFile {
 public:
  IHeldFile() = default;
  IHeldFile(const IHeldFile&) = delete;
  IHeldFile& operator=(const IHeldFile&) = delete;
  virtual ~IHeldFile() = default;
};

class IUpdateFiles {
 public:
  IUpdateFiles() = default;
  IUpdateFiles(const IUpdateFiles&) = delete;
  IUpdateFiles& operator=(const IUpdateFiles&) = delete;
  virtual ~IUpdateFiles() = default;
  // The user's temporary folder as the system reports it.
  virtual std::string TempPath() = 0;
  virtual bool FileExists(const std::string& path) = 0;
  virtual bool DirectoryExists(const std::string& path) = 0;
  // These two report success; a failure is left for a later existence test to see.
  virtual bool RemoveFile(const std::string& path) = 0;
  virtual bool MakeDirectory(const std::string& path) = 0;
  // Removes the folder with everything in it, without following a link out of it; whether it
  // is gone.
  virtual bool RemoveTree(const std::string& folder) = 0;
  // The text of the file's first maxBytes bytes, read in the system code page; nullopt when it
  // cannot be read.
  virtual std::optional<std::string> ReadText(const std::string& path, std::size_t maxBytes) = 0;
  // Creates the file anew with the lines in the console's (OEM) code page, in which the command
  // interpreter reads a script, each ended by CR LF. Throws when a line cannot be written or
  // has no form in that code page.
  virtual void WriteScript(const std::string& path, const std::vector<std::string>& lines) = 0;
  // Copies the file over `to` and keeps the copy open, readable by others but neither written,
  // renamed nor removed, until the returned object goes. Throws when it cannot.
  virtual std::unique_ptr<IHeldFile> CopyAndHold(const std::string& from,
                                                 const std::string& to) = 0;
  // FileVersion of the file's version resource; empty when there is none.
  virtual std::string GetFileVersion(const std::string& path) = 0;
  // Whether a new file can be created in the folder (one is made and removed again).
  virtual bool CanCreateFileIn(const std::string& folder) = 0;
};

class IProcessStarter {
 public:
  IProcessStarter() = default;
  IProcessStarter(const IProcessStarter&) = delete;
  IProcessStarter& operator=(const IProcessStarter&) = delete;
  virtual ~IProcessStarter() = default;
  // The system folder (System32), without a trailing backslash.
  virtual std::string SystemFolder() = 0;
  // Starts the program (a full path) with the command line, in the folder as its current one,
  // with its window hidden, outside this program's process tree where the system allows, and
  // does not wait. Throws when it cannot.
  virtual void StartHidden(const std::string& program, const std::string& commandLine,
                           const std::string& folder) = 0;
};

enum class UpdateAnswer { Accepted, Declined, Closed };

// TfrmUpdateInfo: shown modally, owned by the main window; "确定" accepts, "取消" declines,
// the title bar's close box closes.
class IUpdateDialog {
 public:
  IUpdateDialog() = default;
  IUpdateDialog(const IUpdateDialog&) = delete;
  IUpdateDialog& operator=(const IUpdateDialog&) = delete;
  virtual ~IUpdateDialog() = default;
  virtual UpdateAnswer ShowModal(const std::vector<std::string>& notes) = 0;
};

enum class SignatureState { Unsigned, Valid, Invalid };

struct Signature {
  SignatureState state = SignatureState::Unsigned;
  // Subject and issuer of the signing certificate; empty when unsigned.
  std::string subject;
  std::string issuer;
};

// Authenticode signature of an executable.
class ISignatureCheck {
 public:
  ISignatureCheck() = default;
  ISignatureCheck(const ISignatureCheck&) = delete;
  ISignatureCheck& operator=(const ISignatureCheck&) = delete;
  virtual ~ISignatureCheck() = default;
  virtual Signature Inspect(const std::string& path) = 0;
};

// Fires once, on the main thread, from the message loop.
class IOneShotTimer {
 public:
  IOneShotTimer() = default;
  IOneShotTimer(const IOneShotTimer&) = delete;
  IOneShotTimer& operator=(const IOneShotTimer&) = delete;
  virtual ~IOneShotTimer() = default;
  // Replaces a pending action.
  virtual void Start(int milliseconds, std::function<void()> action) = 0;
  virtual void Stop() = 0;
};

// What the update needs of the main window.
class IUpdateOwner {
 public:
  IUpdateOwner() = default;
  IUpdateOwner(const IUpdateOwner&) = delete;
  IUpdateOwner& operator=(const IUpdateOwner&) = delete;
  virtual ~IUpdateOwner() = default;
  // Into or out of the topmost band, keeping the window's bounds.
  virtual void SetOwnerTopMost(bool topMost) = 0;
  virtual void AppClose() = 0;
  // Full path of the running executable.
  virtual std::string ExecutablePath() = 0;
};

// The system side of the update; every reference outlives the check.
struct TUpdatePorts {
  IDownloader& IEDownload1;
  IUpdateFiles& files;
  IProcessStarter& processes;
  IUpdateDialog& frmUpdateInfo;
  ISignatureCheck& signatures;
  IOneShotTimer& retryTimer;
};

}  // namespace zel
