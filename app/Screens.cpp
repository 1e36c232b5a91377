#include "app/Screens.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>

namespace zel {

namespace {

std::int64_t OverlapArea(const WindowRect& a, const WindowRect& b) {
  const std::int64_t w = std::min<std::int64_t>(a.left + a.width, b.left + b.width) -
                         std::max<std::int64_t>(a.left, b.left);
  const std::int64_t h = std::min<std::int64_t>(a.top + a.height, b.top + b.height) -
                         std::max<std::int64_t>(a.top, b.top);
  return w > 0 && h > 0 ? w * h : 0;
}

// Squared gap between two rectangles; 0 when they touch or overlap.
std::int64_t GapSquared(const WindowRect& a, const WindowRect& b) {
  const std::int64_t dx = std::max<std::int64_t>(
      {0, std::int64_t{b.left} - (a.left + a.width), std::int64_t{a.left} - (b.left + b.width)});
  const std::int64_t dy = std::max<std::int64_t>(
      {0, std::int64_t{b.top} - (a.top + a.height), std::int64_t{a.top} - (b.top + b.height)});
  return dx * dx + dy * dy;
}

// The part of [from, to) inside [lo, hi); all of [lo, hi) when they do not meet.
void Clip(int& from, int& to, int lo, int hi) {
  const int a = std::max(from, lo);
  const int b = std::min(to, hi);
  if (a < b) {
    from = a;
    to = b;
  } else {
    from = lo;
    to = hi;
  }
}

void RequireMonitors(const std::vector<MonitorInfo>& monitors) {
  if (monitors.empty()) throw std::invalid_argument("no monitor");
}

}  // namespace

int ScaleToDpi(int length, int dpi) {
  if (dpi <= 0) dpi = kDesignDpi;
  const std::int64_t product = std::int64_t{length} * dpi;
  const std::int64_t half = kDesignDpi / 2;
  return static_cast<int>(product >= 0 ? (product + half) / kDesignDpi
                                       : -((-product + half) / kDesignDpi));
}

const MonitorInfo& MonitorOf(const std::vector<MonitorInfo>& monitors, const WindowRect& rect) {
  RequireMonitors(monitors);
  const MonitorInfo* best = &monitors.front();
  std::int64_t bestArea = -1;
  for (const MonitorInfo& m : monitors) {
    const std::int64_t area = OverlapArea(m.bounds, rect);
    if (area > bestArea) {
      best = &m;
      bestArea = area;
    }
  }
  if (bestArea > 0) return *best;
  for (const MonitorInfo& m : monitors) {
    if (GapSquared(m.bounds, rect) < GapSquared(best->bounds, rect)) best = &m;
  }
  return *best;
}

const MonitorInfo& PrimaryMonitor(const std::vector<MonitorInfo>& monitors) {
  RequireMonitors(monitors);
  for (const MonitorInfo& m : monitors) {
    if (m.primary) return m;
  }
  return monitors.front();
}

OuterEdges OuterEdgesOf(const std::vector<MonitorInfo>& monitors, const MonitorInfo& monitor,
                        const WindowRect& rect) {
  const WindowRect& b = monitor.bounds;
  int rowsFrom = rect.top, rowsTo = rect.top + rect.height;
  Clip(rowsFrom, rowsTo, b.top, b.top + b.height);
  int columnsFrom = rect.left, columnsTo = rect.left + rect.width;
  Clip(columnsFrom, columnsTo, b.left, b.left + b.width);
  // The column just right of the monitor, and the row just above it, along the window.
  const WindowRect rightOf{b.left + b.width, rowsFrom, 1, rowsTo - rowsFrom};
  const WindowRect above{columnsFrom, b.top - 1, columnsTo - columnsFrom, 1};
  OuterEdges edges;
  for (const MonitorInfo& m : monitors) {
    if (&m == &monitor) continue;
    if (OverlapArea(m.bounds, rightOf) > 0) edges.right = false;
    if (OverlapArea(m.bounds, above) > 0) edges.top = false;
  }
  return edges;
}

WindowRect OnSomeMonitor(const std::vector<MonitorInfo>& monitors, const WindowRect& rect) {
  if (monitors.empty()) return rect;
  for (const MonitorInfo& m : monitors) {
    if (OverlapArea(m.bounds, rect) > 0) return rect;
  }
  const WindowRect& work = MonitorOf(monitors, rect).work;
  WindowRect moved = rect;
  moved.left = std::max(work.left, std::min(rect.left, work.left + work.width - rect.width));
  moved.top = std::max(work.top, std::min(rect.top, work.top + work.height - rect.height));
  return moved;
}

}  // namespace zel
