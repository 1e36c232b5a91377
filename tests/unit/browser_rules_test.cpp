// The browser port's small rules: which optical zoom to ask for, and when a failed execScript
// may be run again through eval.
#include <gtest/gtest.h>

#include "bridge/Browser.h"

namespace zel {
namespace {

TEST(BrowserRules, AZoomIsAskedForWhereThePageWouldShowAnother) {
  const struct {
    int wanted;
    std::optional<int> shown;
    bool zoomedBefore;
    std::optional<int> asked;
  } cases[] = {
      {150, std::nullopt, false, 150}, {150, 150, true, 150},
      {100, std::nullopt, false, std::nullopt}, {100, 100, false, std::nullopt},
      {100, 150, false, 100},  // a zoom IE kept from an earlier run or another program
      {100, 100, true, 100},   // moved back from a monitor of another scale
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ZoomToAsk(c.wanted, c.shown, c.zoomedBefore), c.asked)
        << c.wanted << " " << c.shown.value_or(-1) << " " << c.zoomedBefore;
  }
}

TEST(BrowserRules, OnlyARefusedExecScriptIsRunAgainThroughEval) {
  const struct {
    std::uint32_t hresult;
    bool refused;
  } cases[] = {
      {0x80004001, true},   // E_NOTIMPL
      {0x80070005, true},   // E_ACCESSDENIED
      {0x80020003, true},   // DISP_E_MEMBERNOTFOUND
      {0x80020101, false},  // SCRIPT_E_REPORTED: the script ran and threw
      {0x80020009, false},  // DISP_E_EXCEPTION: the same
      {0x00000000, false},  {0x00000001, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ExecScriptRefused(static_cast<std::int32_t>(c.hresult)), c.refused) << std::hex
                                                                                  << c.hresult;
  }
}

}  // namespace
}  // namespace zel
