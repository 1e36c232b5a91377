#pragma once
// The start line's facts as this system tells them, written at start with the log folder's
// upkeep; the crash dumps follow the log to the folder it went to.
#include <functional>
#include <string>

#include "logging/Support.h"
#include "logging/win32/Win32LogFileSystem.h"

namespace zel::win32 {

// "major.minor.build" from RtlGetVersion, which no compatibility setting bends.
std::string WindowsVersion();

// Writes the start line and tidies the log folder. The browser control's version is asked for
// here, so that a failure to read it costs only that part of the line.
void RecordProgramStart(Win32LogFileSystem& files, IClock& clock,
                        const std::string& programVersion,
                        const std::function<std::string()>& browserVersion);

}  // namespace zel::win32
