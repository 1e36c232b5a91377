#include "app/Global.h"

#include <gtest/gtest.h>

namespace zel {
namespace {

TEST(SplitString, KeepsInnerEmptyItemsAndDropsTrailingSeparator) {
  EXPECT_EQ(SplitString("a#b#", "#"), (std::vector<std::string>{"a", "b"}));
}

}  // namespace
}  // namespace zel
