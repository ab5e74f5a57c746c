// The XML dump of one file and the text pieces it is made of.
#include <gtest/gtest.h>

#include "exif/ExifData.h"
#include "exif/XmlText.h"
#include "iptc/IptcData.h"
#include "platform/FileSystem.h"
#include "platform/LocaleFormats.h"
#include "support/Corpus.h"
#include "support/TestSupport.h"

namespace pixaldo {
namespace {

using std::string_literals::operator""s;

TEST(XmlText, ContentIsEscapedAndConvertedToIso88592) {
  EXPECT_EQ(XmlContent("a < b & c > d"), "a &lt; b &amp; c &gt; d");
  // Windows-1250 "ŠšŤťŽžŹź" sit at other bytes in ISO-8859-2; "áč" at the same.
  EXPECT_EQ(XmlContent("\x8A\x9A\x8D\x9D\x8E\x9E\x8F\x9F\xE1\xE8"s), "\xA9\xB9\xAB\xBB\xAE\xBE\xAC\xBC\xE1\xE8"s);
  // "€", "„" and "…" have no ISO-8859-2 form.
  EXPECT_EQ(XmlContent("\x80\x84\x85"s), "&#8364;&#8222;&#8230;");
  // Controls XML cannot carry at all; tab and line feed stay, CR as a reference.
  EXPECT_EQ(XmlContent("a\0b\x01\tc\r\n"s), "a?b?\tc&#13;\n");
  EXPECT_EQ(XmlContentUtf8("soubor č.1 – 日"), "soubor \xE8.1 &#8211; &#26085;");
}

TEST(XmlText, CdataSectionsAreSplitWhereTheyMust) {
  EXPECT_EQ(XmlCdata("a<&>b"), "<![CDATA[a<&>b]]>");
  EXPECT_EQ(XmlCdata("x]]>y"), "<![CDATA[x]]]]><![CDATA[>y]]>");
  EXPECT_EQ(XmlCdata("]]>]]>"), "<![CDATA[]]]]><![CDATA[>]]]]><![CDATA[>]]>");
  EXPECT_EQ(XmlCdata("\x9E\x80"s), "<![CDATA[\xBE]]>&#8364;<![CDATA[]]>"s);
  EXPECT_EQ(XmlCdata(""), "<![CDATA[]]>");
}

TEST(XmlText, ElementNames) {
  EXPECT_EQ(XmlElementName("Macro mode"), "Macro_mode");
  EXPECT_EQ(XmlElementName("IPTC/NAA"), "IPTC_NAA");
  EXPECT_EQ(XmlElementName("Custom_200"), "Custom_200");
  EXPECT_EQ(XmlElementName("3D(x)"), "_3D_x_");
  EXPECT_EQ(XmlElementName(""), "_");
  EXPECT_EQ(XmlElementName("Kvalita \xE8"s), "Kvalita__");
}

TEST(XmlDump, LinesOfOneFile) {
  test::TempDir dir;
  fs::path file = dir / "a.jpg";
  const std::string iptc = test::IptcDataset(2, 15, "Travel") + test::IptcDataset(2, 120, "A witty caption");
  test::WriteBytes(file, test::InsertAfterSoi(test::MakeJpeg(), {test::IptcSegment(iptc)}));
  TimgData data(255);
  data.ReadFile(file);
  data.ParseIptc();
  auto lines = data.AsXmlDocument();
  ASSERT_TRUE(lines);
  ASSERT_GE(lines->size(), 10u);
  const std::vector<std::string> head = {
      "<dImageFile>",
      "   <OSdata>",
      "      <name> a.jpg </name>",
      "      <path> " + dir.path().string() + "/ </path>",
      "      <size> " + std::to_string(fs::file_size(file)) + " </size>",
      "      <date> " + FormatShortDate(ToTimeT(*GetFileDate(file))) + " </date>",
      "   </OSdata>",
      "   <ITPCdata>",
  };
  EXPECT_EQ(std::vector<std::string>(lines->begin(), lines->begin() + 8), head);
  EXPECT_EQ(lines->back(), "</dImageFile>");
  EXPECT_EQ((*lines)[lines->size() - 2], "   </ITPCdata>");
  // Headline and caption as CDATA, the rest as text.
  auto caption = std::find(lines->begin(), lines->end(), "   <ImageCaption>");
  ASSERT_NE(caption, lines->end());
  EXPECT_EQ(*(caption + 1), "      <![CDATA[A witty caption]]>");
  EXPECT_NE(std::find(lines->begin(), lines->end(), "      Travel"), lines->end());

  // A bare name has an empty path; a file gone gives nothing.
  TimgData none(255);
  none.FileName = dir / "gone.jpg";
  EXPECT_FALSE(none.AsXmlDocument());
}

TEST(XmlDump, ExifNamesWithBlanksAndSlashesBecomeElementNames) {
  TimgData data(255);
  test::TempDir dir;
  data.ReadFile(dir.Make("exif-intel.jpg"));
  ASSERT_TRUE(data.ExifInfo);
  TTagEntry entry;
  entry.Dataset = 1;
  entry.Name = "Macro mode";
  entry.Value = "Macro";
  data.ExifInfo->AddTag(entry);
  auto lines = data.ExifInfo->AsXmlLines();
  EXPECT_EQ(lines.front(), "   <EXIFdata>");
  EXPECT_EQ(lines.back(), "   </EXIFdata>");
  EXPECT_NE(std::find(lines.begin(), lines.end(), "   <Macro_mode>"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "   </Macro_mode>"), lines.end());
  for (const auto& line : lines) {
    if (line.rfind("   <", 0) != 0) continue;
    std::string name = line.substr(line[4] == '/' ? 5 : 4);
    name.pop_back();
    EXPECT_EQ(XmlElementName(name), name) << line;
  }
}

TEST(XmlDump, WrittenFileHasTheDeclarationAndCrLfLines) {
  test::TempDir dir;
  WriteXmlFile(dir / "x.xml", {"<a>", "</a>"});
  EXPECT_EQ(test::ReadBytes(dir / "x.xml"), "<?xml version='1.0' encoding='iso-8859-2'?>\r\n<a>\r\n</a>\r\n");
}

}  // namespace
}  // namespace pixaldo
