#pragma once
// IEDownload1: asynchronous URL-moniker downloads into a folder. Each completion is posted to a
// message-only window of its own, so it arrives from the message loop on the main thread and
// may start the next fetch. COM must be initialised (apartment) on that thread.
#include <wrl/client.h>

#include <functional>
#include <vector>

#include "app/win32/Window.h"
#include "update/UpdatePorts.h"

namespace zel::win32 {

class UrlDownloader final : public IDownloader, private Window {
 public:
  // The one request header line every fetch sends.
  static constexpr wchar_t kAdditionalHeader[] =
      L"Content-Type: application/x-www-form-urlencoded \r\n";

  static constexpr unsigned kFetchTimeoutMs = 60000;

  // Each fetch fails once it has taken timeoutMs. Throws Win32Error.
  explicit UrlDownloader(unsigned timeoutMs = kFetchTimeoutMs);
  // Abandons the fetches still running; their completions never come.
  ~UrlDownloader() override;

  void SetOnComplete(std::function<void(DownloadResult)> onComplete) override;
  // The resource is stored under a temporary name and renamed when it is whole, so a failed
  // or broken-off fetch never leaves a file of the final name.
  void Start(const std::string& url, const std::string& folder) override;

 private:
  class Fetch;
  LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  unsigned timeoutMs_;
  std::function<void(DownloadResult)> onComplete_;
  std::vector<Microsoft::WRL::ComPtr<Fetch>> fetches_;
};

}  // namespace zel::win32
