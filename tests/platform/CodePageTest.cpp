// The code pages of photo text: each byte to its character and back, what
// has no character, and the comment codec.
#include <gtest/gtest.h>

#include "platform/CodePage.h"

namespace pixaldo {
namespace {

TEST(CodePage, BytesAndCharacters) {
  struct Case {
    CodePage page;
    std::string bytes;
    std::string text;
    bool lossless;
  } cases[] = {
      {CodePage::Windows1250, "\x8E\x9D\xE8\x80", "Žťč€", true},
      {CodePage::Windows1252, "Espa\xF1" "a \x80\x9F", "España €Ÿ", true},
      {CodePage::Latin1, "\xF1\x80", "ñ\u0080", true},
      {CodePage::Utf8, "Žluť", "Žluť", true},
      {CodePage::Windows1250, "a\x81", "a\u0081", false},  // undefined byte
      {CodePage::Windows1252, "a\x8D", "a\u008D", false},
      {CodePage::Utf8, "a\xC3", "a\uFFFD", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const DecodedText decoded = DecodeText(c.bytes, c.page);
    EXPECT_EQ(decoded.Utf8, c.text);
    EXPECT_EQ(decoded.Lossless, c.lossless);
    if (c.lossless) EXPECT_EQ(EncodeText(c.text, c.page), c.bytes);
  }
  EXPECT_FALSE(EncodeText("ñ", CodePage::Windows1250));
  EXPECT_FALSE(EncodeText("東", CodePage::Windows1252));
  EXPECT_FALSE(EncodeText("a\xC3", CodePage::Utf8));
  for (const char* broken : {"\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82"}) EXPECT_FALSE(IsValidUtf8(broken));
  EXPECT_TRUE(IsValidUtf8("\xEF\xBF\xBD"));  // U+FFFD itself
}

TEST(CodePage, CommentsAreUtf8UnlessTheSettingAsksAndTheTextFits) {
  EXPECT_EQ(CommentText("\xC8" "au"), "Čau");  // not UTF-8: Windows-1250
  EXPECT_EQ(CommentText("Čau"), "Čau");
  EXPECT_EQ(CommentBytes("Čau 北京"), "Čau 北京");
  const TextSettings saved = CurrentTextSettings();
  SetTextSettings({CodePage::Windows1250, true});
  EXPECT_EQ(CommentBytes("Čau"), "\xC8" "au");
  EXPECT_EQ(CommentBytes("Čau 北京"), "Čau 北京");
  SetTextSettings(saved);
}

}  // namespace
}  // namespace pixaldo
