#pragma once
// Where a window is on the desktop: its monitor, the edges where the desktop ends, and sizes
// designed at 96 pixels per inch on a monitor of another density.
#include <vector>

#include "app/WindowPorts.h"

namespace zel {

// A length designed at kDesignDpi, on a monitor of the given pixels per inch; rounded half away
// from zero, as the system's MulDiv does.
int ScaleToDpi(int length, int dpi);

// The monitor showing the largest part of the rectangle; when none shows any of it, the
// nearest one. Throws std::invalid_argument for an empty list.
const MonitorInfo& MonitorOf(const std::vector<MonitorInfo>& monitors, const WindowRect& rect);

// The primary monitor; the first one when the list names none. Throws for an empty list.
const MonitorInfo& PrimaryMonitor(const std::vector<MonitorInfo>& monitors);

// The edges of the monitor beside which the desktop ends, along the rectangle's span: no other
// monitor adjoins them there, so a window can slide out of sight across them.
struct OuterEdges {
  bool top = true;
  bool right = true;
};
OuterEdges OuterEdgesOf(const std::vector<MonitorInfo>& monitors, const MonitorInfo& monitor,
                        const WindowRect& rect);

// The rectangle itself when some monitor shows part of it; otherwise moved into the work area
// of the nearest monitor (a monitor that was unplugged since the position was taken).
WindowRect OnSomeMonitor(const std::vector<MonitorInfo>& monitors, const WindowRect& rect);

}  // namespace zel
