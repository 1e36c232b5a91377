#include "tests/wine/support/UpdateHttpProbe.h"

namespace zel::winetest {

struct UpdateHttpProbe::Sockets {
  Sockets() : module(::LoadLibraryW(L"ws2_32.dll")) {
    WSADATA data{};
    if (module == nullptr || Get<decltype(&::WSAStartup)>("WSAStartup")(MAKEWORD(2, 2), &data)) {
      module = nullptr;
    }
  }
  template <typename F>
  F Get(const char* name) const {
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
  }
  HMODULE module;
};

UpdateHttpProbe::UpdateHttpProbe(std::string answer, unsigned char host, DWORD holdMs)
    : api_(new Sockets()), answer_(std::move(answer)), holdMs_(holdMs) {
  if (api_->module == nullptr) return;
  listener_ = api_->Get<decltype(&::socket)>("socket")(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.S_un.S_un_b = {127, 0, 0, host};
  int length = sizeof address;
  auto* raw = reinterpret_cast<sockaddr*>(&address);
  if (api_->Get<decltype(&::bind)>("bind")(listener_, raw, sizeof address) != 0 ||
      api_->Get<decltype(&::listen)>("listen")(listener_, 1) != 0 ||
      api_->Get<decltype(&::getsockname)>("getsockname")(listener_, raw, &length) != 0) {
    return;
  }
  port_ = ((address.sin_port & 0xFF) << 8) | (address.sin_port >> 8);
  thread_ = std::thread([this] { Serve(); });
}

UpdateHttpProbe::~UpdateHttpProbe() {
  if (listener_ != INVALID_SOCKET) api_->Get<decltype(&::closesocket)>("closesocket")(listener_);
  if (thread_.joinable()) thread_.join();
  delete api_;
}

void UpdateHttpProbe::Serve() {
  const SOCKET client = api_->Get<decltype(&::accept)>("accept")(listener_, nullptr, nullptr);
  if (client == INVALID_SOCKET) return;
  const auto receive = api_->Get<decltype(&::recv)>("recv");
  std::string request;
  char buffer[2048];
  while (request.find("\r\n\r\n") == std::string::npos) {
    const int n = receive(client, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    request.append(buffer, static_cast<std::size_t>(n));
  }
  api_->Get<decltype(&::send)>("send")(client, answer_.data(), static_cast<int>(answer_.size()), 0);
  ::Sleep(holdMs_);
  api_->Get<decltype(&::shutdown)>("shutdown")(client, SD_SEND);
  api_->Get<decltype(&::closesocket)>("closesocket")(client);
  request_ = request;
}

std::string UpdateHttpProbe::Request() {
  if (thread_.joinable()) thread_.join();
  return request_;
}

}  // namespace zel::winetest
