#include "app/ScriptText.h"

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
      // Bytes that are no UTF-8 character become the replacement character, one each: the
      // literal is always valid UTF-8 and no cut sequence swallows the closing quote.
      {"a\xE4\xB8\"", "\"a\\uFFFD\\uFFFD\\\"\""},
      {"\xC0\xAF\xED\xA0\x80\xF4\x90\x80\x80", "\"\\uFFFD\\uFFFD\\uFFFD\\uFFFD\\uFFFD\\uFFFD\\uFFFD\\uFFFD\\uFFFD\""},
      {"\xF0\x9F\x98\x80", "\"\xF0\x9F\x98\x80\""},
  };
  for (const auto& c : cases) EXPECT_EQ(JsStringLiteral(c.text), c.literal) << c.text;
  EXPECT_EQ(ScriptCall("alertMsg", "a\"b"), "alertMsg(\"a\\\"b\")");
}

}  // namespace
}  // namespace zel
