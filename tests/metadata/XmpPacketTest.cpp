// Reading the three texts of an XMP packet, whatever its encoding.
#include <gtest/gtest.h>

#include <string>

#include "xmp/XmpPacket.h"

namespace pixaldo {
namespace {

const std::string kPacket =
    R"(<x:xmpmeta xmlns:x="adobe:ns:meta/"><rdf:RDF xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#">)"
    R"(<rdf:Description rdf:about="" xmlns:dc="http://purl.org/dc/elements/1.1/">)"
    R"(<dc:title><rdf:Alt><rdf:li xml:lang="x-default">Harbour</rdf:li></rdf:Alt></dc:title>)"
    R"(</rdf:Description></rdf:RDF></x:xmpmeta>)";

// The same ASCII text as big-endian UTF-16.
std::string Utf16(const std::string& ascii) {
  std::string wide;
  for (char c : ascii) wide += std::string{'\0', c};
  return wide;
}

TEST(XmpPacket, TextsAreReadInUtf8AndUtf16AndAbsentOnesAreEmpty) {
  EXPECT_EQ(XmpPacket::ReadTexts(kPacket).Title, "Harbour");
  EXPECT_EQ(XmpPacket::ReadTexts(Utf16(kPacket)).Title, "Harbour");
  const XmpTexts none = XmpPacket::ReadTexts(
      R"(<x:xmpmeta xmlns:x="adobe:ns:meta/"><rdf:RDF xmlns:rdf="http://www.w3.org/1999/02/22-rdf-syntax-ns#">)"
      R"(<rdf:Description rdf:about="" xmlns:exif="http://ns.adobe.com/exif/1.0/" exif:FlashFired="False"/>)"
      R"(</rdf:RDF></x:xmpmeta>)");
  EXPECT_TRUE(none.Title.empty() && none.Description.empty() && none.Category.empty());
}

}  // namespace
}  // namespace pixaldo
