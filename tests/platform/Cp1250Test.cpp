#include <gtest/gtest.h>

#include "platform/Cp1250.h"

namespace pixaldo {
namespace {

TEST(Cp1250, CzechTextRoundTrips) {
  const std::string utf8 = "Příliš žluťoučký kůň úpěl ďábelské ódy";
  auto bytes = Utf8ToCp1250Strict(utf8);
  ASSERT_TRUE(bytes.has_value());
  EXPECT_EQ(bytes->size(), 38u);  // one byte a character
  EXPECT_EQ(Cp1250ToUtf8(*bytes), utf8);
}

TEST(Cp1250, KnownBytes) {
  EXPECT_EQ(Utf8ToCp1250Strict("×").value(), "\xD7");
  EXPECT_EQ(Utf8ToCp1250Strict("€").value(), "\x80");
  EXPECT_EQ(Utf8ToCp1250Strict("Č").value(), "\xC8");
  EXPECT_EQ(Cp1250ToUtf8("\x8A"), "Š");
}

TEST(Cp1250, EveryByteSurvivesARoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += char(b);
  auto back = Utf8ToCp1250Strict(Cp1250ToUtf8(all));
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(*back, all);
}

TEST(Cp1250, RefusesWhatItCannotHold) {
  Cp1250Result result = Utf8ToCp1250("a日b日€😀");
  EXPECT_FALSE(result.ok());
  EXPECT_EQ(result.unmappable, U"日😀");
  EXPECT_FALSE(Utf8ToCp1250Strict("ø").has_value());  // Danish, not in the code page
}

TEST(Cp1250, InvalidUtf8IsRefusedNotTruncated) {
  EXPECT_FALSE(Utf8ToCp1250Strict(std::string("a\xC3", 2)).has_value());
  EXPECT_FALSE(Utf8ToCp1250Strict("\xE2\x82").has_value());
  EXPECT_FALSE(Utf8ToCp1250Strict("\xC0\xAF").has_value());  // overlong '/'
  EXPECT_EQ(DecodeUtf8("\xF0\x9F\x98\x80"), U"😀");
}

}  // namespace
}  // namespace pixaldo
