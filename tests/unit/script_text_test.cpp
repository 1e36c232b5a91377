#include "shell/ScriptText.h"

#include <gtest/gtest.h>

namespace zel {
namespace {

TEST(JsStringLiteral, NoTextLeavesTheLiteral) {
  const struct {
    const char* text;
    const char* literal;
  } cases[] = {
      {"", "\"\""},
      {"亲，请先打开Excel，再来插入吧！", "\"亲，请先打开Excel，再来插入吧！\""},
      {"say \"hi\"", "\"say \\\"hi\\\"\""},
      {"a\\b", "\"a\\\\b\""},
      {"x\");alert(1);(\"", "\"x\\\");alert(1);(\\\"\""},
      {"line1\r\nline2", "\"line1\\r\\nline2\""},
      {"tab\there", "\"tab\\there\""},
      {"</script>", "\"\\x3C/script>\""},
      {"\x01", "\"\\x01\""},
      {"a\xE2\x80\xA8z", "\"a\\u2028z\""},
  };
  for (const auto& c : cases) EXPECT_EQ(JsStringLiteral(c.text), c.literal) << c.text;
  EXPECT_EQ(ScriptCall("alertMsg", "a\"b"), "alertMsg(\"a\\\"b\")");
}

}  // namespace
}  // namespace zel
