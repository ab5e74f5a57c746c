// The IPTC list: parsing APP13 segments, editing by name and building the
// payload byte for byte.
#include <gtest/gtest.h>

#include "exif/ExifData.h"
#include "iptc/IptcData.h"
#include "support/TestSupport.h"

namespace pixaldo {
namespace {

using std::string_literals::operator""s;

std::string Dataset(uint8_t record, uint8_t number, const std::string& value) {
  std::string out = "\x1C"s + char(record) + char(number);
  out += char(value.size() >> 8);
  out += char(value.size() & 0xFF);
  return out + value;
}

// An APP13 segment as the container keeps it: length field, then payload.
std::string App13(const std::string& resources) {
  return test::Segment(0xED, "Photoshop 3.0\0"s + resources).substr(2);
}

std::string Resource(uint16_t id, const std::string& data) {
  std::string out = "8BIM"s + char(id >> 8) + char(id & 0xFF) + "\0\0"s;
  out += "\0\0"s + char(data.size() >> 8) + char(data.size() & 0xFF);
  out += data;
  if (data.size() % 2) out += '\0';
  return out;
}

// The payload BuildPayload must give for these datasets (pad included).
std::string ExpectedPayload(const std::string& datasetsWithPad) {
  size_t s = 7 + datasetsWithPad.size();
  return "Photoshop 3.0\0"s + "8BIM\x04\x04\0\0\0\0"s + char(s >> 8) + char(s & 0xFF) +
         "\x1C\x02\0\0\x02\0\x02"s + datasetsWithPad + "8BIM\x04\x0B\0\0\0\0\0\0"s;
}

TEST(IptcBuild, EmptyListGivesThe46BytePayload) {
  TIPTCdata list(nullptr);
  std::string payload = list.BuildPayload();
  ASSERT_EQ(payload.size(), 46u);
  EXPECT_EQ(payload, ExpectedPayload("\0"s));
  EXPECT_EQ(payload[25], 8);  // resource size S
}

TEST(IptcBuild, PadByteOnlyAfterAnEvenDatasetLength) {
  TIPTCdata odd(nullptr);
  odd.SetValue("Category", "ab");  // 7 bytes
  EXPECT_EQ(odd.BuildPayload(), ExpectedPayload(Dataset(2, 15, "ab")));
  TIPTCdata even(nullptr);
  even.SetValue("Category", "abc");  // 8 bytes
  std::string payload = even.BuildPayload();
  EXPECT_EQ(payload, ExpectedPayload(Dataset(2, 15, "abc") + "\0"s));
  EXPECT_EQ(uint8_t(payload[25]) % 2, 0);
}

TEST(IptcBuild, RepeatableValuesAreWrittenWhole) {
  // A value is one dataset as it stands, commas and blanks included.
  for (const std::string value : {"Smith, John", "a,,b", " a "}) {
    for (const char* name : {"Keywords", "SuppCategory"}) {
      TIPTCdata list(nullptr);
      int index = list.SetValue(name, value);
      std::string datasets = Dataset(2, uint8_t(list.GetTag(index).Dataset), value);
      if (datasets.size() % 2 == 0) datasets += '\0';
      EXPECT_EQ(list.BuildPayload(), ExpectedPayload(datasets)) << name << " '" << value << "'";
    }
  }
  // Appending adds a dataset of its own.
  TIPTCdata list(nullptr);
  list.AppendValue("Keywords", "Smith, John");
  list.AppendValue("Keywords", "b");
  EXPECT_EQ(list.ValueOf("Keywords", ""), "Smith, John,b");
  std::string datasets = Dataset(2, 25, "Smith, John") + Dataset(2, 25, "b");
  if (datasets.size() % 2 == 0) datasets += '\0';
  EXPECT_EQ(list.BuildPayload(), ExpectedPayload(datasets));
  TIPTCdata category(nullptr);
  category.SetValue("Category", "x,y");
  EXPECT_EQ(category.BuildPayload(), ExpectedPayload(Dataset(2, 15, "x,y") + "\0"s));
}

TEST(IptcBuild, EntriesAreWrittenInListOrderWithTheirNumbers) {
  TIPTCdata list(nullptr);
  list.SetValue("ImageCaption", "cap");
  list.SetValue("Subfile", "1");
  TTagEntry custom;
  custom.Record = 2;
  custom.Dataset = 200;
  custom.Name = "Custom_200";
  custom.Value = "zz";
  list.AddTag(custom);
  // Records in ascending order, datasets of a record in the order they came.
  std::string datasets = Dataset(2, 120, "cap") + Dataset(2, 200, "zz") + Dataset(8, 10, "1");
  if (datasets.size() % 2 == 0) datasets += '\0';
  EXPECT_EQ(list.BuildPayload(), ExpectedPayload(datasets));
}

TEST(IptcParse, RepeatedKeywordsJoinAndOtherRepeatsStaySeparate) {
  TIPTCdata list(nullptr);
  list.ParseSegment(App13(Resource(0x0404, Dataset(2, 0, "\0\x02"s) + Dataset(2, 25, "a") + Dataset(2, 25, "b") +
                                               Dataset(2, 15, "c1") + Dataset(2, 15, "c2") +
                                               Dataset(2, 20, "s1") + Dataset(2, 20, "s2"))));
  ASSERT_EQ(list.Count(), 4);  // the record version is not listed
  EXPECT_EQ(list.GetTag(0).Name, "Keywords");
  EXPECT_EQ(list.GetTag(0).Value, "a,b");
  EXPECT_EQ(list.GetTag(1).Name, "Category");
  EXPECT_EQ(list.GetTag(2).Name, "Category");
  EXPECT_EQ(list.ValueOf("category", "none"), "c1");
  EXPECT_EQ(list.ValueOf("SuppCategory", ""), "s1,s2");
  EXPECT_EQ(list.GetTag(1).Description, "Category");
  EXPECT_EQ(list.GetTag(1).MaxSize, 3);

  // Written back: the version first, then two Keywords datasets.
  std::string payload = list.BuildPayload();
  EXPECT_EQ(payload.substr(26, 7), "\x1C\x02\0\0\x02\0\x02"s);
  EXPECT_NE(payload.find(Dataset(2, 25, "a") + Dataset(2, 25, "b")), std::string::npos);
}

TEST(IptcParse, CustomAndDroppedDatasets) {
  TIPTCdata list(nullptr);
  list.ParseSegment(App13(Resource(0x0404, Dataset(2, 200, "x") + Dataset(3, 5, "other record") +
                                               Dataset(8, 20, "dropped") + Dataset(8, 10, "1") +
                                               Dataset(2, 0, "v"))));
  ASSERT_EQ(list.Count(), 2);
  TTagEntry custom = list.GetTag(0);
  EXPECT_EQ(custom.Name, "Custom_200");
  EXPECT_EQ(custom.Description, "Custom_200");
  EXPECT_EQ(custom.Record, 2);
  EXPECT_EQ(custom.Dataset, 200);
  EXPECT_EQ(custom.MaxSize, 64);
  EXPECT_EQ(list.GetTag(1).Name, "Subfile");
  std::string payload = list.BuildPayload();
  EXPECT_NE(payload.find(Dataset(2, 200, "x")), std::string::npos);
}

TEST(IptcParse, OnlyTheIptcResourceIsRead) {
  // The bytes 1C 02 inside another resource (a thumbnail) are no title.
  std::string earlier = Resource(0x0409, "\x1C\x02\x05\x00\x02hi"s);
  TIPTCdata list(nullptr);
  list.ParseSegment(App13(earlier + Resource(0x0404, Dataset(2, 120, "real"))));
  EXPECT_EQ(list.ValueOf("ObjectName", "none"), "none");
  EXPECT_EQ(list.ValueOf("ImageCaption", ""), "real");

  // A byte other than the marker ends the datasets: what follows is no dataset.
  TIPTCdata junk(nullptr);
  junk.ParseSegment(App13(Resource(0x0404, Dataset(2, 5, "t") + "\x00"s + Dataset(2, 120, "junk"))));
  EXPECT_EQ(junk.Count(), 1);
  EXPECT_EQ(junk.ValueOf("ObjectName", ""), "t");

  // No signature: no resources, no datasets.
  TIPTCdata unsigned_(nullptr);
  unsigned_.ParseSegment("\0\x20"s + std::string(12, 'x') + Dataset(2, 5, "t") + "\0\0\0"s);
  EXPECT_FALSE(unsigned_.HasTags());

  TIPTCdata none(nullptr);
  none.ParseSegment(App13(Resource(0x03ED, "no datasets")));
  EXPECT_FALSE(none.HasTags());
}

TEST(IptcParse, DamagedSegmentsNeverReadPastTheirEnd) {
  // Declared size past the end: the value is cut and reading stops.
  std::string cut = App13(Resource(0x0404, Dataset(2, 5, "ok!"))) + "\x1C\x02\x78\xFF\xFF"s + "short";
  TIPTCdata list(nullptr);
  list.ParseSegment(cut);
  EXPECT_EQ(list.ValueOf("ObjectName", ""), "ok!");
  EXPECT_EQ(list.ValueOf("ImageCaption", "none"), "none");  // outside the resource
  // Every prefix of a real segment parses without fault.
  std::string whole = App13(Resource(0x0404, Dataset(2, 25, "a") + Dataset(2, 120, "caption text")));
  for (size_t n = 0; n <= whole.size(); ++n) {
    TIPTCdata prefix(nullptr);
    prefix.ParseSegment(std::string_view(whole).substr(0, n));
  }
}

TEST(IptcEdit, SetAppendDeleteByName) {
  TIPTCdata list(nullptr);
  EXPECT_EQ(list.SetValue("NoSuchName", "x"), -1);
  EXPECT_EQ(list.AppendValue("NoSuchName", "x"), -1);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.SetValue("objectname", "T"), 0);
  EXPECT_EQ(list.GetTag(0).Name, "ObjectName");
  EXPECT_EQ(list.SetValue("OBJECTNAME", ""), 0);  // an empty value leaves the entry
  EXPECT_EQ(list.ValueOf("ObjectName", "d"), "T");
  EXPECT_EQ(list.SetValue("City", ""), 1);  // a new entry is added even when empty
  EXPECT_EQ(list.AppendValue("Keywords", "k1"), 2);
  EXPECT_EQ(list.AppendValue("Keywords", "k2"), 2);
  EXPECT_EQ(list.AppendValue("Keywords", ""), 2);
  EXPECT_EQ(list.ValueOf("keywords", ""), "k1,k2");
  list.DeleteByName("city");
  list.DeleteByName("NoSuchName");
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.ValueOf("City", "gone"), "gone");
  EXPECT_EQ(TIPTCdata::TableIndexOf("subfile"), 48);
  EXPECT_EQ(TIPTCdata::TableIndexOf("Custom_200"), -1);
  list.Clear();
  EXPECT_FALSE(list.HasTags());
}

TEST(IptcBuild, OtherResourcesAreCarriedOverAndTheDigestDropped) {
  std::string other = Resource(0x03ED, "resolution"s);
  std::string named = "8BIM\x04\x1A\x03"s + "abc" + "\0\0\0\x03"s + "xyz\0"s;  // a name and odd data, both padded
  std::string old = App13(other + Resource(0x0404, Dataset(2, 5, "old")) + Resource(0x0425, "0123456789abcdef") +
                          Resource(0x040B, "") + named);
  TIPTCdata list(nullptr);
  list.ParseSegment(old);
  list.SetValue("ObjectName", "new");
  std::string payload = list.BuildPayloadKeeping(old);
  EXPECT_EQ(payload, list.BuildPayload() + other + named);

  // A damaged resource ends what is carried over; nothing is read past the end.
  std::string damaged = App13(other + "8BIM\x04\x1A\0\0\xFF\xFF\xFF\xFF"s);
  EXPECT_EQ(list.BuildPayloadKeeping(damaged), list.BuildPayload() + other);
  EXPECT_EQ(list.BuildPayloadKeeping(""), list.BuildPayload());
}

TEST(IptcCharacterSet, TheTagChoosesHowValuesAreReadAndWritten) {
  const std::string tag = Dataset(1, 90, "\x1B%G");
  TIPTCdata tagged(nullptr);
  tagged.ParseSegment(App13(Resource(0x0404, tag + Dataset(2, 5, "日本") + Dataset(2, 120, "a\xFF\xE6\x97z"s) +
                                                 Dataset(8, 10, "\x81"s))));
  EXPECT_TRUE(tagged.Utf8);
  EXPECT_EQ(tagged.ValueOf("ObjectName", ""), "日本");
  EXPECT_EQ(tagged.ValueOf("ImageCaption", ""), "a\uFFFD\uFFFD\uFFFDz");  // broken sequences, never a fault
  // Written back tagged, record 8 still byte for byte.
  std::string payload = tagged.BuildPayload();
  EXPECT_EQ(payload.substr(26, 8), "\x1C\x01\x5A\x00\x03\x1B%G"s);
  EXPECT_NE(payload.find(Dataset(2, 5, "日本")), std::string::npos);
  EXPECT_NE(payload.find(Dataset(8, 10, "\x81"s)), std::string::npos);

  // Untagged: Windows-1250, every byte surviving the trip through text.
  std::string bytes;
  for (int b = 0x20; b < 0x100; ++b) bytes += char(b);
  TIPTCdata untagged(nullptr);
  untagged.ParseSegment(App13(Resource(0x0404, Dataset(2, 120, bytes) + Dataset(2, 5, "\xE8"s))));
  EXPECT_FALSE(untagged.Utf8);
  EXPECT_EQ(untagged.ValueOf("ObjectName", ""), "č");
  EXPECT_FALSE(untagged.WritesUtf8());
  EXPECT_NE(untagged.BuildPayload().find(Dataset(2, 120, bytes)), std::string::npos);
  // A character Windows-1250 lacks turns the whole record to UTF-8; the
  // caption's bytes that are no Windows-1250 character cannot follow.
  untagged.SetValue("ObjectName", "€ 東");
  EXPECT_TRUE(untagged.WritesUtf8());
  EXPECT_EQ(untagged.StoredLength("ObjectName"), 7u);
  try {
    (void)untagged.BuildPayload();
    ADD_FAILURE() << "the caption cannot be converted";
  } catch (const IptcRefusal& refusal) {
    EXPECT_STREQ(refusal.what(), "the Image caption cannot be converted from Windows-1250 to UTF-8 without loss");
  }
}

TEST(IptcXml, FragmentLines) {
  TIPTCdata list(nullptr);
  list.SetValue("ObjectName", "a<b");
  list.SetValue("ImageCaption", "x]]>y");
  std::vector<std::string> expected = {
      "   <ITPCdata>",   "   <ObjectName>", "      a&lt;b",
      "   </ObjectName>", "   <ImageCaption>", "      <![CDATA[x]]]]><![CDATA[>y]]>",
      "   </ImageCaption>", "   </ITPCdata>",
  };
  EXPECT_EQ(list.AsXmlLines(), expected);
}

// Every sample file of the shared IPTC collection, parsed through the container.
TEST(IptcFiles, EverySampleFileParses) {
  PIXALDO_NEEDS_SAMPLES();
  struct Expect {
    const char* file;
    bool hasSegment;
    std::vector<std::pair<std::string, std::string>> values;
  } files[] = {
      {"IPTC.jpg", true,
       {{"ObjectName", "Test IPTC picture"},
        {"ImageCaption", "A witty caption"},
        {"Category", "1"},
        {"Keywords", "ExifTool,Test,IPTC"},
        {"SuppCategory", "amazing,image,utilities"},
        {"City", "Kingston"},
        {"Urgency", "8"}}},
      {"iptc-noAPP13.jpg", false, {}},
      {"iptc-psAPP13-noIPTC.jpg", true, {}},
      {"iptc-psAPP13-wIPTCempty.jpg", true, {}},
      {"iptc-psAPP13-wIPTCbeg.jpg", true, {{"ImageCredit", "This is a credit"}}},
      {"iptc-psAPP13-wIPTCmid.jpg", true, {{"ImageCredit", "This is a credit"}, {"ByLine", "This is a by-line"}}},
      {"iptc-psAPP13-wIPTCend.jpg", true, {{"ImageCredit", "This is a credit"}}},
      {"iptc-psAPP13-wIPTC1-psAPP13-wIPTC2.jpg", true, {{"ImageCredit", "This is credit number one"}}},
  };
  for (const auto& f : files) {
    SCOPED_TRACE(f.file);
    TimgData data(255);
    data.ReadFile(test::TestData(std::string("iptc/") + f.file));
    ASSERT_EQ(data.HasIptc(), f.hasSegment);
    data.ParseIptc();
    ASSERT_TRUE(data.IptcInfo);
    for (const auto& [name, value] : f.values) EXPECT_EQ(data.IptcInfo->ValueOf(name, "<missing>"), value) << name;
    if (f.values.empty()) EXPECT_FALSE(data.IptcInfo->HasTags());
  }
}

}  // namespace
}  // namespace pixaldo
