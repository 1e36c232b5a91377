#pragma once
// Where the Wine tests find the build's programs and the test bed's services.
#include <string>

namespace zel::winetest {

// An environment variable as UTF-8; empty when unset.
std::string Env(const char* name);
// A Linux path as Wine sees it ("Z:\..."); Windows paths pass through unchanged.
std::string WinePath(const std::string& linuxPath);
// The Windows path of a program built beside the tests (e.g. "sheet.exe", "Zel.exe").
std::string BuiltProgram(const std::string& fileName);
// "127.0.0.1:<port>" of the test bed's stand-in service.
std::string ServiceHost();

}  // namespace zel::winetest
