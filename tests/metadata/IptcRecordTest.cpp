// The stored IPTC record: untouched datasets keep their bytes through an
// edit, the character set is read by its mark or by evidence, and a write
// that would lose text or outgrow a dataset is refused naming the field.
#include <gtest/gtest.h>

#include "iptc/IptcData.h"
#include "iptc/IptcRecord.h"
#include "support/IptcBlocks.h"
#include "support/TestSupport.h"
#include "xmp/XmpPacket.h"

namespace pixaldo {
namespace {

using std::string_literals::operator""s;
using test::IptcDataset;

// The text settings set for one test, put back after it.
class TextSettingsScope {
 public:
  explicit TextSettingsScope(TextSettings settings) : saved_(CurrentTextSettings()) { SetTextSettings(settings); }
  ~TextSettingsScope() { SetTextSettings(saved_); }

 private:
  TextSettings saved_;
};

std::string SegmentOf(const std::string& datasets) {
  const std::string payload = test::PhotoshopPayload(test::ImageResource(0x0404, datasets));
  return std::string{char((payload.size() + 2) >> 8), char((payload.size() + 2) & 0xFF)} + payload;
}

std::vector<test::StoredDataset> InJpeg(const std::string& app13Payload) {
  return test::StoredDatasets("\xFF\xD8"s + test::Segment(0xED, app13Payload) + "\xFF\xDA\0\x02"s);
}

// The datasets of the payload the list builds, as an independent reader sees them.
std::vector<test::StoredDataset> Written(const TIPTCdata& list) { return InJpeg(list.BuildPayload()); }

std::vector<test::StoredDataset> Without(std::vector<test::StoredDataset> datasets, int record, int number) {
  std::erase_if(datasets, [&](const test::StoredDataset& d) { return d.record == record && d.number == number; });
  return datasets;
}

TEST(IptcRecordKeeps, UntouchedDatasetsKeepTheirBytesThroughAnEdit) {
  // Every record, repeated keywords with commas, a Latin-1 mark, bytes the
  // code page has no character for, a version of another number.
  const std::string datasets = IptcDataset(1, 0, "\x00\x04"s) + IptcDataset(1, 20, "\x00\x01"s) +
                               IptcDataset(1, 90, "\x1B-A") + IptcDataset(2, 0, "\x00\x04"s) +
                               IptcDataset(2, 25, "Smith, John") + IptcDataset(2, 25, "b") +
                               IptcDataset(2, 20, "x, y") + IptcDataset(2, 5, "Espa\xF1" "a Se\xF1or") +
                               IptcDataset(2, 15, "old") + IptcDataset(2, 120, "\x81\x90 raw") +
                               IptcDataset(2, 200, "\x00\x01"s) + IptcDataset(3, 10, "three") +
                               IptcDataset(7, 10, "seven") + IptcDataset(8, 10, "1") + IptcDataset(9, 10, "nine");
  const std::string segment = SegmentOf(datasets);
  const std::vector<test::StoredDataset> before = InJpeg(segment.substr(2));
  for (const char* edited : {"new", "Nový"}) {
    SCOPED_TRACE(edited);
    TIPTCdata list(nullptr);
    list.ParseSegment(segment);
    EXPECT_EQ(list.ValueOf("ObjectName", ""), "España Señor");  // the mark says Latin-1
    EXPECT_EQ(list.ValueOf("Keywords", ""), "Smith, John,b");
    list.SetValue("ObjectName", list.ValueOf("ObjectName", ""));  // set again unchanged: still untouched
    list.SetValue("Category", edited);
    if (std::string(edited) == "new") {
      const auto after = Written(list);
      EXPECT_EQ(Without(after, 2, 15), Without(before, 2, 15));
      EXPECT_EQ((test::StoredDataset{2, 15, "new"}), after[8]);  // in its place
    } else {
      // Non-ASCII text turns the record to UTF-8: the texts of record 2
      // follow, converted from Latin-1, behind the UTF-8 mark; the rest stays.
      auto rest = [](std::vector<test::StoredDataset> d) {
        for (auto [record, number] : {std::pair{1, 90}, {2, 5}, {2, 15}, {2, 120}}) d = Without(d, record, number);
        return d;
      };
      const auto after = Written(list);
      EXPECT_EQ(rest(after), rest(before));
      EXPECT_EQ(after[2], (test::StoredDataset{1, 90, "\x1B%G"}));
      EXPECT_EQ(after[7], (test::StoredDataset{2, 5, "España Señor"}));
      EXPECT_EQ(after[9], (test::StoredDataset{2, 120, "\xC2\x81\xC2\x90 raw"}));
    }
  }
}

TEST(IptcRecordKeeps, ARecordThatTurnsUtf8ConvertsTheRestAndIsMarked) {
  const std::string segment = SegmentOf(IptcDataset(2, 5, "\x8Elu\x9Dou\xE8k\xFD") + IptcDataset(2, 25, "k\xF9\xF2") +
                                        IptcDataset(2, 25, "a, b"));
  TIPTCdata list(nullptr);
  list.ParseSegment(segment);
  list.SetValue("Category", "Zvířata");
  const std::vector<test::StoredDataset> expected = {
      {1, 90, "\x1B%G"}, {2, 0, "\x00\x02"s},     {2, 5, "Žluťoučký"},
      {2, 25, "kůň"},    {2, 25, "a, b"},          {2, 15, "Zvířata"}};
  EXPECT_EQ(Written(list), expected);

  // Set for older programs: Windows-1250 without a mark while all fits.
  const TextSettingsScope legacy({CodePage::Windows1250, true});
  TIPTCdata old(nullptr);
  old.ParseSegment(segment);
  old.SetValue("Category", "Zvířata");
  EXPECT_EQ(Written(old)[4], (test::StoredDataset{2, 15, "Zv\xED\xF8" "ata"}));
  EXPECT_EQ(Written(old)[1], (test::StoredDataset{2, 5, "\x8Elu\x9Dou\xE8k\xFD"}));
  old.SetValue("Category", "東京");
  EXPECT_EQ(Written(old)[0], (test::StoredDataset{1, 90, "\x1B%G"}));
}

TEST(IptcRecordReads, UnmarkedTextByEvidence) {
  const std::string latin1 = "Espa\xF1" "a Se\xF1or", cp1250 = "\x8Elu\x9Dou\xE8k\xFD k\xF9\xF2";
  struct Case {
    const char* what;
    std::string stored;
    std::string xmpTitle;  // empty: no XMP
    CodePage setting;
    std::string shown;
  } cases[] = {
      {"UTF-8 with multi-byte letters", "Crème brûlée", "", CodePage::Windows1250, "Crème brûlée"},
      {"Latin-1, the XMP agrees", latin1, "España Señor", CodePage::Windows1250, "España Señor"},
      {"Latin-1, the XMP cut longer", latin1, "España Señor and more", CodePage::Windows1250, "España Señor"},
      {"Latin-1, no XMP, the setting", latin1, "", CodePage::Windows1252, "España Señor"},
      {"Windows-1250, the XMP agrees", cp1250, "Žluťoučký kůň", CodePage::Windows1252, "Žluťoučký kůň"},
      {"Windows-1250, no XMP, the default", cp1250, "", CodePage::Windows1250, "Žluťoučký kůň"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const TextSettingsScope settings({c.setting, false});
    IptcRecord record;
    const std::string payload = test::PhotoshopPayload(test::ImageResource(0x0404, IptcDataset(2, 5, c.stored)));
    std::function<XmpTexts()> xmp;
    if (!c.xmpTitle.empty()) xmp = [&] { return XmpTexts{c.xmpTitle, "", ""}; };
    record.Read({payload}, xmp);
    ASSERT_EQ(record.Datasets().size(), 1u);
    EXPECT_EQ(record.Text(record.Datasets()[0]), c.shown);
    EXPECT_FALSE(record.Marked());
  }
}

TEST(IptcRecordRefuses, ValuesLongerThanTheirDatasetNamingThatField) {
  struct Case {
    const char* name;
    std::string value;
    std::string message;
  } cases[] = {
      {"Category", std::string(40000, 'c'), "the Category takes 40000 bytes, more than its limit of 64 bytes"},
      {"ObjectName", std::string(65, 't'), "the Object name takes 65 bytes, more than its limit of 64 bytes"},
      {"ObjectName", std::string(40, 'x') + std::string(12, 'y') + "čččččččččččč",
       "the Object name takes 76 bytes, more than its limit of 64 bytes once the record is written in UTF-8"},
  };
  for (const Case& c : cases) {
    TIPTCdata list(nullptr);
    list.SetValue("ImageCaption", "fits");
    list.SetValue(c.name, c.value);
    try {
      (void)list.BuildPayload();
      ADD_FAILURE() << c.name << " written";
    } catch (const IptcRefusal& refusal) {
      EXPECT_EQ(refusal.what(), c.message);
    }
  }
  // A value already too long that is not edited stays as it is.
  TIPTCdata kept(nullptr);
  kept.ParseSegment(SegmentOf(IptcDataset(2, 5, std::string(100, 'o'))));
  kept.SetValue("Category", "ok");
  EXPECT_EQ(Written(kept)[1], (test::StoredDataset{2, 5, std::string(100, 'o')}));
}

}  // namespace
}  // namespace pixaldo
