#pragma once
// A loopback HTTP peer for the download tests: it takes one request on a port of its own,
// keeps its text and sends a canned answer (an error status the stand-in service never gives).
#include <winsock2.h>
#include <windows.h>

#include <string>
#include <thread>

namespace zel::winetest {

class UpdateHttpProbe {
 public:
  // Listens at once on 127.0.0.<host>; Port() is 0 when it cannot. The connection stays open
  // holdMs after the answer, as a server that stalls.
  explicit UpdateHttpProbe(std::string answer, unsigned char host = 1, DWORD holdMs = 0);
  UpdateHttpProbe(const UpdateHttpProbe&) = delete;
  UpdateHttpProbe& operator=(const UpdateHttpProbe&) = delete;
  ~UpdateHttpProbe();

  int Port() const { return port_; }
  // The request line and headers, once the answer went out.
  std::string Request();

 private:
  void Serve();

  // ws2_32 is loaded at run time: the test programs link no socket library.
  struct Sockets;
  Sockets* api_;
  SOCKET listener_ = INVALID_SOCKET;
  int port_ = 0;
  std::string answer_;
  DWORD holdMs_;
  std::string request_;
  std::thread thread_;
};

}  // namespace zel::winetest
