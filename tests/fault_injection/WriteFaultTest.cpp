// Every operation that writes a file, with a write, flush or rename failing
// at each step in turn: the file keeps its bytes, no temporary file stays
// behind, and the caller learns which file could not be written.
#include <gtest/gtest.h>

#include "batch_export/JpegBatch.h"
#include "exif/ExifData.h"
#include "exif/XmlText.h"
#include "file_list/JpegListing.h"
#include "iptc/IptcData.h"
#include "jpeg_structure/JpegObject.h"
#include "photo_record/JpegBasicObject.h"
#include "settings/OptionsStore.h"
#include "support/Corpus.h"
#include "support/FaultSweep.h"
#include "support/TestSupport.h"
#include "transforms/JpegTran.h"

namespace pixaldo {
namespace {

using test::FaultSweep;
using test::FaultSweepResult;
using test::TempDir;

// A camera-like photo with an EXIF thumbnail, plus a comment and an IPTC
// block in front of its own, so that every delete has something to remove.
std::string PhotoWithAllBlocks() {
  TIPTCdata list(nullptr);
  list.SetValue("ObjectName", "Harbour");
  list.SetValue("Category", "Travel");
  return test::InsertAfterSoi(test::CorpusBytes("exif-intel.jpg"),
                              {test::Segment(0xFE, "an old comment"), test::Segment(0xED, list.BuildPayload())});
}

// Checks the sweep's promises and that it really failed some runs before the
// one that got through.
void ExpectKept(const FaultSweepResult& sweep, int leastFailedRuns = 3) {
  for (const std::string& problem : sweep.problems) ADD_FAILURE() << problem;
  EXPECT_TRUE(sweep.finished);
  EXPECT_GE(sweep.failedRuns, leastFailedRuns);  // a write, a flush and a rename at least
}

std::string IptcValue(const std::filesystem::path& file, const char* name) {
  TimgData data(255);
  data.ReadFile(file);
  data.ParseIptc();
  return data.IptcInfo->ValueOf(name, "");
}

class WriteFault : public ::testing::Test {
 protected:
  TempDir dir;
  std::filesystem::path photo = dir / "photo.jpg";
  void SetUp() override { test::WriteBytes(photo, PhotoWithAllBlocks()); }
  // A sweep over an operation that rewrites `photo` in place.
  FaultSweep InPlace(std::function<void()> operation) const { return {{photo}, {dir.path()}, std::move(operation)}; }
};

TEST_F(WriteFault, IptcFieldsOfThePhotoRecord) {
  ExpectKept(InPlace([&] { TJpegBasicObject(photo).WriteIptc({"Family", "Lighthouse", "At dusk"}); }).Run());
  EXPECT_EQ(IptcValue(photo, "ObjectName"), "Lighthouse");
}

TEST_F(WriteFault, IptcListSavedIntoAnotherFile) {
  // The list of one file written into a second, existing file, taking the
  // picture from the first: both stay as they were.
  const auto target = dir.Make("iptc-utf8.jpg", "target.jpg");
  FaultSweep sweep{{photo, target}, {dir.path()}, [&] {
                     TimgData data(255);
                     data.ReadFile(photo);
                     data.ParseIptc();
                     data.IptcInfo->SetValue("ObjectName", "Copied");
                     data.IptcInfo->SaveToFile(target, photo);
                   }};
  ExpectKept(sweep.Run());
  EXPECT_EQ(IptcValue(target, "ObjectName"), "Copied");
}

TEST_F(WriteFault, Comment) {
  ExpectKept(InPlace([&] {
               TimgData data(255);
               data.ReadFile(photo);
               data.SetComment("a new comment");
               data.SaveAs(photo);
             }).Run());
  TimgData data(255);
  ASSERT_TRUE(data.ReadFile(photo));
  EXPECT_EQ(data.GetComment(), "a new comment");
}

TEST_F(WriteFault, TheThreeDeletes) {
  const struct {
    const char* name;
    bool (TJpegObject::*remove)();
    uint16_t marker;
  } deletes[] = {{"exif", &TJpegObject::DeleteExif, TJpegObject::kApp1},
                 {"comment", &TJpegObject::DeleteComment, TJpegObject::kCom},
                 {"iptc", &TJpegObject::DeleteIptc, TJpegObject::kApp13}};
  for (const auto& edit : deletes) {
    SCOPED_TRACE(edit.name);
    test::WriteBytes(photo, PhotoWithAllBlocks());
    const std::string before = TJpegObject(photo, false).GetSegmentBytes(edit.marker);
    ExpectKept(InPlace([&] { (TJpegObject(photo, true).*edit.remove)(); }).Run());
    EXPECT_NE(TJpegObject(photo, false).GetSegmentBytes(edit.marker), before);
  }
}

TEST_F(WriteFault, ImportOfAnotherFilesExif) {
  const auto source = dir.Make("exif-motorola.jpg", "source.jpg");
  FaultSweep sweep{{photo, source}, {dir.path()}, [&] { TJpegObject(photo, false).ImportExif(source); }};
  ExpectKept(sweep.Run());
  EXPECT_EQ(TJpegObject(photo, false).GetSegmentBytes(TJpegObject::kApp1),
            TJpegObject(source, false).GetSegmentBytes(TJpegObject::kApp1));
}

TEST_F(WriteFault, ThumbnailRestore) {
  const std::string before = test::ReadBytes(photo);
  FaultSweep sweep{{photo}, {dir.path()}, [&] { TJpegObject(photo, true).RestoreThumbnail(); }};
  ExpectKept(sweep.Run());
  EXPECT_TRUE(test::ReadBytes(photo) != before) << "the file was not written";
}

TEST_F(WriteFault, ThumbnailRestoreOfAFile) {
  // The routine of the command line.
  const std::string before = test::ReadBytes(photo);
  ExpectKept(InPlace([&] { RestoreThumbnailOfFile(photo, true); }).Run());
  EXPECT_TRUE(test::ReadBytes(photo) != before) << "the file was not written";
}

class TransformWriteFault : public WriteFault {
 protected:
  void SetUp() override {
      WriteFault::SetUp();
    if (!runner.JpegTranAvailable()) GTEST_SKIP() << "jpegtran is not installed";
  }
  TJpegTran runner;
  const std::vector<std::string> rotate = TJpegTran::TransformArguments(TransformKind::RotateRight, false);
};

// jpegtran writes its output itself, so only the flush and the rename of
// that output go through the file layer (two failed runs, not three).
TEST_F(TransformWriteFault, InPlace) {
  const std::string before = test::ReadBytes(photo);
  ExpectKept(InPlace([&] { runner.Transform(photo, photo, true, false, rotate); }).Run(), 2);
  EXPECT_TRUE(test::ReadBytes(photo) != before) << "the file was not written";
}

TEST_F(TransformWriteFault, IntoANewFile) {
  const auto target = dir / "photo_rot.jpg";
  FaultSweep sweep{{photo, target}, {dir.path()}, [&] { runner.Transform(photo, target, true, false, rotate); }};
  ExpectKept(sweep.Run(), 2);
  EXPECT_TRUE(std::filesystem::exists(target));
}

TEST_F(TransformWriteFault, OverAnExistingFile) {
  const auto target = dir.Make("exif-motorola.jpg", "photo_rot.jpg");
  FaultSweep sweep{{photo, target}, {dir.path()}, [&] { runner.Transform(photo, target, false, false, rotate); }};
  ExpectKept(sweep.Run(), 2);
}

TEST_F(TransformWriteFault, InPlaceWithNewThumbnail) {
  const std::string before = test::ReadBytes(photo);
  ExpectKept(InPlace([&] { runner.Transform(photo, photo, true, true, rotate); }).Run(), 2);
  EXPECT_TRUE(test::ReadBytes(photo) != before) << "the file was not written";
}

TEST_F(TransformWriteFault, IntoANewFileWithNewThumbnail) {
  const auto target = dir / "photo_rot.jpg";
  FaultSweep sweep{{photo, target}, {dir.path()}, [&] { runner.Transform(photo, target, true, true, rotate); }};
  ExpectKept(sweep.Run(), 2);
}

TEST(SettingsWriteFault, SaveOverAnExistingFileAndAsANewOne) {
  TempDir dir;
  const auto file = dir / "Options.ini";
  for (bool existing : {true, false}) {
    SCOPED_TRACE(existing ? "existing Options.ini" : "new Options.ini");
    std::filesystem::remove(file);
    if (existing) test::WriteBytes(file, "[Options]\r\nCropSuffix=_old\r\n[Extra]\r\nKept=1\r\n");
    FaultSweep sweep{{file}, {dir.path()}, [&] {
                       OptionsStore store(file);
                       store.LoadSettings();
                       store.SetText("CropSuffix", "_cut");
                       store.AddCategory("Harbours");
                       store.SaveSettings();
                     }};
    ExpectKept(sweep.Run());
    OptionsStore reread(file);
    reread.LoadSettings();
    EXPECT_EQ(reread.Text("CropSuffix"), "_cut");
  }
}

TEST(ExportWriteFault, DatabaseAndOneFileDump) {
  TempDir photos;
  photos.Make("exif-intel.jpg");
  photos.Make("iptc-utf8.jpg");
  TempDir out;
  const JpegListing listing(photos.path());
  const auto xml = out / "database.xml";
  const auto csv = out / "database.csv";
  const auto dump = out / "dump.xml";
  test::WriteBytes(csv, "an older database\r\n");
  const struct {
    const char* name;
    std::filesystem::path target;
    std::function<void()> write;
  } exports[] = {
      {"xml database (new file)", xml, [&] { TJpegBatch(listing).SaveXml(xml); }},
      {"csv database (over an older one)", csv, [&] { TJpegBatch(listing).SaveCsv(csv); }},
      {"one-file dump", dump,
       [&] {
         TimgData data(255);
         data.ReadFile(photos / "iptc-utf8.jpg");
         data.ParseIptc();
         WriteXmlFile(dump, *data.AsXmlDocument());
       }},
  };
  for (const auto& item : exports) {
    SCOPED_TRACE(item.name);
    const auto photosBefore = photos.List();
    ExpectKept(FaultSweep{{item.target}, {out.path(), photos.path()}, item.write}.Run());
    EXPECT_TRUE(std::filesystem::exists(item.target));
    EXPECT_EQ(photos.List(), photosBefore);
  }
}

}  // namespace
}  // namespace pixaldo
