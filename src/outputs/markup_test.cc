// Text from data files in XML and HTML: escaped, and well-formed whatever
// the bytes.
#include "outputs/markup.h"

#include <string>

#include "gtest/gtest.h"

namespace loopconv {
namespace {

std::string escaped(const std::string& text) {
  std::string out;
  appendEscaped(&out, text);
  return out;
}

TEST(MarkupTest, EscapesMarkupCharacters) {
  EXPECT_EQ(escaped("005es01076:_MS_S00"), "005es01076:_MS_S00");
  EXPECT_EQ(escaped("<a href=\"x\">&'"), "&lt;a href=&quot;x&quot;&gt;&amp;&#39;");
}

TEST(MarkupTest, EveryByteBecomesACharacter) {
  // Latin-1 letters keep their meaning; control bytes (forbidden in XML 1.0)
  // and the C1 range become the replacement character.
  EXPECT_EQ(escaped("\xe9"), "&#xE9;");
  EXPECT_EQ(escaped(std::string("a\0b", 3)), "a&#xFFFD;b");
  EXPECT_EQ(escaped("\x01\x1f\x7f\x80\x9f"), "&#xFFFD;&#xFFFD;&#xFFFD;&#xFFFD;&#xFFFD;");
  for (int c = 0; c < 256; ++c) {
    std::string out = escaped(std::string(1, static_cast<char>(c)));
    for (char k : out) {
      EXPECT_TRUE(k >= 0x20 && k < 0x7f) << c;  // plain ASCII only
    }
  }
}

TEST(MarkupTest, Numbers) {
  std::string out;
  appendInt(&out, -12);
  out.push_back(' ');
  appendTenths(&out, 523);
  out.push_back(' ');
  appendTenths(&out, 7);
  EXPECT_EQ(out, "-12 52.3 0.7");
}

}  // namespace
}  // namespace loopconv
