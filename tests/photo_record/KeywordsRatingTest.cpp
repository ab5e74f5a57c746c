// Keywords, the star rating and the press fields of the photo record: the
// keyword list rules, reading from IPTC with XMP behind it, and writes that
// keep both in step and leave everything else alone.
#include <gtest/gtest.h>

#include "photo_record/FolderKeywords.h"
#include "photo_record/JpegBasicObject.h"
#include "photo_record/Keywords.h"
#include "platform/FileError.h"
#include "support/IptcBlocks.h"
#include "support/JpegSegments.h"
#include "support/TestSupport.h"
#include "xmp/XmpPacket.h"

namespace pixaldo {
namespace {

using Words = std::vector<std::string>;

TEST(KeywordList, Rules) {
  const std::string long64(64, 'k'), long65(65, 'k');
  struct Case {
    const char* what;
    Words got, expected;
  } cases[] = {
      {"blanks trimmed, empty dropped", {"  sea ", "\t", "", "sky\n"}, {"sea", "sky"}},
      {"exact duplicates dropped, first kept", {"Sea", "sea", "Sea", " sea"}, {"Sea", "sea"}},
      {"commas, semicolons and quotes kept", {"a, b", "c;d", "\"quoted\"", "it's"}, {"a, b", "c;d", "\"quoted\"", "it's"}},
      {"Czech and Chinese", {"Příliš žluťoučký", "长城", "长城"}, {"Příliš žluťoučký", "长城"}},
  };
  for (const auto& c : cases) EXPECT_EQ(TKeywords::Normalized(c.got), c.expected) << c.what;

  EXPECT_EQ(TKeywords::Split(" sea, sky ,, sea,长城"), (Words{"sea", "sky", "长城"}));
  EXPECT_EQ(TKeywords::Joined({"sea", "sky"}), "sea, sky");
  // A keyword with a comma or a leading quote survives the field whole.
  const Words odd{"Prague, Old Town", "\"Best\" of", "say \"hi\"", "plain"};
  EXPECT_EQ(TKeywords::Joined(odd), "\"Prague, Old Town\", \"\"\"Best\"\" of\", say \"hi\", plain");
  EXPECT_EQ(TKeywords::Split(TKeywords::Joined(odd)), odd);
  EXPECT_EQ(TKeywords::Split("\"open, quote"), (Words{"open, quote"}));
  EXPECT_EQ(TKeywords::Added({"sea"}, {"sky", "sea", " boat "}), (Words{"sea", "sky", "boat"}));
  EXPECT_EQ(TKeywords::Removed({"sea", "Sky", "boat"}, {" sky", "boat"}), (Words{"sea", "Sky"}));
  EXPECT_EQ(TKeywords::Problem({"sea", long64}), "");
  EXPECT_NE(TKeywords::Problem({"sea", long65}).find("limit of 64 bytes"), std::string::npos);
  // Bytes count, not letters: 33 two-byte letters are 66 bytes.
  std::string czech;
  for (int i = 0; i < 33; ++i) czech += "ž";
  EXPECT_FALSE(TKeywords::Problem({czech}).empty());
}

TEST(KeywordList, CommonAndChangedAsASelectionEditsThem) {
  EXPECT_EQ(TKeywords::Common({{"sea", "sky", "boat"}, {"boat", "sea"}, {"sea", "x", "boat"}}), (Words{"sea", "boat"}));
  EXPECT_EQ(TKeywords::Common({}), Words{});
  struct Case {
    const char* what;
    Words list, before, after, expected;
  } cases[] = {
      {"added to each", {"own", "sea"}, {"sea"}, {"sea", "sky"}, {"own", "sea", "sky"}},
      {"common one removed, own kept", {"own", "sea"}, {"sea"}, {}, {"own"}},
      {"added one the photo has already", {"sky", "sea"}, {"sea"}, {"sea", "sky"}, {"sky", "sea"}},
      {"nothing changed", {"own"}, {}, {}, {"own"}},
  };
  for (const auto& c : cases) EXPECT_EQ(TKeywords::Changed(c.list, c.before, c.after), c.expected) << c.what;
}

// A photo with these IPTC datasets (record 2) and XMP properties.
test::fs::path Photo(const test::TempDir& dir, const std::string& datasets, const std::string& xmp) {
  std::vector<std::string> segments;
  if (!xmp.empty()) segments.push_back(test::Segment(0xE1, test::XmpPayload(test::XmpPacketWith(xmp))));
  if (!datasets.empty())
    segments.push_back(test::Segment(0xED, test::PhotoshopPayload(test::ImageResource(0x0404, datasets))));
  const test::fs::path file = dir / "p.jpg";
  test::WriteBytes(file, test::InsertAfterSoi(test::MakeJpeg(), segments));
  return file;
}

TMyIptcTags Read(const test::fs::path& file) {
  TJpegBasicObject record(file);
  record.ReadTags();
  return record.IptcFields;
}

std::string Keyword(const std::string& text) { return test::IptcDataset(2, 25, text); }

TEST(PhotoRecordKeywords, ReadFromIptcFallingBackToXmp) {
  const std::string bag = "<dc:subject><rdf:Bag><rdf:li>x1</rdf:li><rdf:li>x2</rdf:li></rdf:Bag></dc:subject>";
  struct Case {
    const char* what;
    std::string datasets, xmp;
    Words keywords;
    int rating;
  } cases[] = {
      {"IPTC alone", Keyword("sea") + Keyword("sky"), "", {"sea", "sky"}, 0},
      {"XMP bag alone", "", bag, {"x1", "x2"}, 0},
      {"IPTC wins over a differing bag", Keyword("sea"), bag, {"sea"}, 0},
      {"XMP Seq", "", "<dc:subject><rdf:Seq><rdf:li>s1</rdf:li><rdf:li>s2</rdf:li></rdf:Seq></dc:subject>", {"s1", "s2"}, 0},
      {"XMP plain text", "", "<dc:subject>one, two</dc:subject>", {"one, two"}, 0},
      {"duplicates in IPTC", Keyword("sea") + Keyword("sea"), "", {"sea"}, 0},
      {"rating 3", "", "<xmp:Rating>3</xmp:Rating>", {}, 3},
      {"rating 7", "", "<xmp:Rating>7</xmp:Rating>", {}, 0},
      {"rating -1", "", "<xmp:Rating>-1</xmp:Rating>", {}, 0},
      {"rating abc", "", "<xmp:Rating>abc</xmp:Rating>", {}, 0},
  };
  for (const auto& c : cases) {
    test::TempDir dir;
    const TMyIptcTags fields = Read(Photo(dir, c.datasets, c.xmp));
    EXPECT_EQ(fields.Keywords, c.keywords) << c.what;
    EXPECT_EQ(fields.Rating, c.rating) << c.what;
  }
}

TEST(PhotoRecordKeywords, AFoldersKeywordsOnceSortedTheDamagedSkipped) {
  test::TempDir dir, other;
  const std::vector<test::fs::path> photos{Photo(dir, Keyword("sky") + Keyword("sea"), ""),
                                           Photo(other, "", "<dc:subject><rdf:Bag><rdf:li>sea</rdf:li><rdf:li>boat</rdf:li></rdf:Bag></dc:subject>"),
                                           dir / "missing.jpg"};
  std::atomic<bool> stop{false};
  EXPECT_EQ(KeywordsOfPhotos(photos, stop), (Words{"boat", "sea", "sky"}));
  stop = true;
  EXPECT_EQ(KeywordsOfPhotos(photos, stop), Words{});
}

TEST(PhotoRecordPressFields, ReadFromIptcOrTheirXmpTwins) {
  test::TempDir dir;
  const auto file = Photo(dir, test::IptcDataset(2, 80, "Jan Novák") + test::IptcDataset(2, 90, "Praha"),
                          "<dc:creator><rdf:Seq><rdf:li>Other</rdf:li></rdf:Seq></dc:creator>"
                          "<dc:rights><rdf:Alt><rdf:li xml:lang='x-default'>(c) Agency</rdf:li></rdf:Alt></dc:rights>"
                          "<photoshop:Credit>Agency</photoshop:Credit><photoshop:City>Brno</photoshop:City>");
  const TMyIptcTags fields = Read(file);
  EXPECT_EQ(fields.Press[ByLine], "Jan Novák");  // IPTC wins
  EXPECT_EQ(fields.Press[City], "Praha");
  EXPECT_EQ(fields.Press[Copyright], "(c) Agency");  // from XMP
  EXPECT_EQ(fields.Press[Credit], "Agency");
  EXPECT_EQ(fields.Press[Source], "");
}

class KeywordsRatingWrite : public ::testing::Test {
 protected:
  // Writes the edits into the file and reads it back.
  TMyIptcTags Write(const test::fs::path& file, const std::function<void(TMyIptcTags&, TFieldEdits&)>& edit) {
    TMyIptcTags fields = Read(file);
    TFieldEdits edits;
    edit(fields, edits);
    TJpegBasicObject(file).WriteFields(fields, edits);
    return Read(file);
  }
  static std::string Xmp(const test::fs::path& file) {
    TJpegBasicObject record(file);
    return std::string(record.ImgData->XmpPacketText());
  }
  test::TempDir dir_;
};

TEST_F(KeywordsRatingWrite, KeywordsGoToBothAndOtherDatasetsStay) {
  const std::string other = test::IptcDataset(2, 116, "(c) old");  // not edited: stays as it was
  const auto file = Photo(dir_, other + Keyword("old"), "<xmp:Rating>7</xmp:Rating><dc:subject>plain</dc:subject>");
  Words many;
  for (int i = 0; i < 200; ++i) many.push_back("klíč " + std::to_string(i));
  many.push_back("长城");
  const TMyIptcTags back = Write(file, [&](TMyIptcTags& f, TFieldEdits& e) {
    f.Keywords = many;
    e.Keywords = true;
  });
  EXPECT_EQ(back.Keywords, many);
  EXPECT_EQ(XmpPacket::ReadFields(Xmp(file)).Keywords, many);  // the plain text became the bag
  const auto stored = test::StoredDatasets(test::ReadBytes(file));
  EXPECT_EQ(std::count_if(stored.begin(), stored.end(), [](const auto& d) { return d.number == 25; }), 201);
  EXPECT_NE(std::find(stored.begin(), stored.end(), test::StoredDataset{2, 116, "(c) old"}),
            stored.end());
  EXPECT_EQ(XmpPacket::ReadFields(Xmp(file)).Rating, "7");  // a bad rating stays until one is set
}

TEST_F(KeywordsRatingWrite, RatingLivesInXmp) {
  const auto file = Photo(dir_, Keyword("sea"), "");
  const std::string iptcBefore = *test::FirstPayload(test::ReadBytes(file), 0xED);
  EXPECT_EQ(Write(file, [](TMyIptcTags& f, TFieldEdits& e) { f.Rating = 4, e.Rating = true; }).Rating, 4);
  EXPECT_EQ(XmpPacket::ReadFields(Xmp(file)).Rating, "4");  // a packet was made for it
  EXPECT_EQ(*test::FirstPayload(test::ReadBytes(file), 0xED), iptcBefore);
  EXPECT_EQ(Write(file, [](TMyIptcTags& f, TFieldEdits& e) { f.Rating = 0, e.Rating = true; }).Rating, 0);
  EXPECT_EQ(XmpPacket::ReadFields(Xmp(file)).Rating, "");  // removed
}

TEST_F(KeywordsRatingWrite, OverlongValuesRefusedNamingTheLimit) {
  const auto file = Photo(dir_, Keyword("sea"), "");
  const std::string before = test::ReadBytes(file);
  struct Case {
    const char* what;
    std::function<void(TMyIptcTags&, TFieldEdits&)> edit;
    const char* limit;
  } cases[] = {
      {"keyword", [](TMyIptcTags& f, TFieldEdits& e) { f.Keywords = {std::string(65, 'k')}, e.Keywords = true; }, "64 bytes"},
      {"credit", [](TMyIptcTags& f, TFieldEdits& e) { f.Press[Credit] = std::string(33, 'c'), e.Press[Credit] = true; }, "32 bytes"},
      {"headline", [](TMyIptcTags& f, TFieldEdits& e) { f.Press[Headline] = std::string(257, 'h'), e.Press[Headline] = true; }, "256 bytes"},
  };
  for (const auto& c : cases) {
    try {
      Write(file, c.edit);
      ADD_FAILURE() << c.what << " written";
    } catch (const FileError& error) {
      EXPECT_NE(std::string(error.what()).find(c.limit), std::string::npos) << c.what << ": " << error.what();
    }
    EXPECT_EQ(test::ReadBytes(file), before) << c.what;
  }
}

TEST_F(KeywordsRatingWrite, PressFieldsGoToBoth) {
  const auto file = Photo(dir_, "", "<photoshop:City>Brno</photoshop:City>");
  const TMyIptcTags back = Write(file, [](TMyIptcTags& f, TFieldEdits& e) {
    for (const PressFieldRow& row : kPressFields) f.Press[row.Field] = std::string(row.Key) + " ž", e.Press[row.Field] = true;
  });
  const XmpFields xmp = XmpPacket::ReadFields(Xmp(file));
  for (const PressFieldRow& row : kPressFields) {
    EXPECT_EQ(back.Press[row.Field], std::string(row.Key) + " ž") << row.Key;
    EXPECT_EQ(xmp.Press[row.Field], std::string(row.Key) + " ž") << row.Key;
  }
  const TMyIptcTags cleared = Write(file, [](TMyIptcTags& f, TFieldEdits& e) { f.Press[City] = "", e.Press[City] = true; });
  EXPECT_EQ(cleared.Press[City], "");
  EXPECT_EQ(cleared.Press[Source], "Source ž");
}

}  // namespace
}  // namespace pixaldo
