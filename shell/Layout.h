#pragma once
// The main window's two layouts: wide ("H", 900 × 600, the wide browser) and narrow ("V",
// 360 × 670, the narrow browser), and where each stood when it was last left.
namespace zel {

enum class LayoutKind { Wide, Narrow };

struct LayoutPlace {
  int left = 0;
  int top = 0;
  bool operator==(const LayoutPlace& o) const { return left == o.left && top == o.top; }
};

struct TLayout {
  LayoutKind active = LayoutKind::Wide;
  LayoutPlace wide{0, 100};
  LayoutPlace narrow{0, 20};

  bool IsWide() const { return active == LayoutKind::Wide; }
  LayoutPlace& PlaceOf(LayoutKind kind) { return kind == LayoutKind::Wide ? wide : narrow; }
  static LayoutKind Other(LayoutKind kind) {
    return kind == LayoutKind::Wide ? LayoutKind::Narrow : LayoutKind::Wide;
  }
};

}  // namespace zel
