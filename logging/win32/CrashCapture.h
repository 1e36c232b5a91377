#pragma once
// A fault nobody handles, on any thread, leaves a minidump and one log line in the log folder,
// and the process ends without the system's error dialog.
#include <cstdint>
#include <string>

namespace zel::win32 {

// Codes of the faults the runtime reports itself, as the log line names them. A C++ exception
// that escapes a thread is std::terminate in the 32-bit build; in the 64-bit one it reaches the
// system's handling first, as the unwinder's own code 20474343.
inline constexpr std::uint32_t kTerminateCode = 0xE0000001;  // std::terminate, a pure virtual call
inline constexpr std::uint32_t kPureCallCode = 0xE0000002;   // the C runtime's pure virtual call
inline constexpr std::uint32_t kAbortCode = 0xE0000003;      // abort()
inline constexpr std::uint32_t kInvalidParameterCode = 0xC0000417;  // an invalid C runtime parameter

// Installs the handlers and starts the thread that writes the dump (a stack overflow leaves
// the faulting thread no stack to write with). The dump goes to the log folder as the logger
// finds it now. Call first, once; later calls change nothing.
void StartCrashCapture();

// The folder the log went to after all (ending in "\"); an empty text changes nothing.
void SetCrashDumpFolder(const std::string& folder);

}  // namespace zel::win32
