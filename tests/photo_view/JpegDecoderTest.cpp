#include <gtest/gtest.h>

#include <filesystem>

#include "photo_view/JpegDecoder.h"
#include "platform/FileError.h"
#include "support/Corpus.h"
#include "support/TestSupport.h"

namespace pixaldo {
namespace {

using test::JpegSpec;
using test::MakeJpeg;
using test::TestData;

// Sets the frame size in the SOF0 segment of a JPEG made by MakeJpeg.
std::string WithFrameSize(std::string jpeg, int width, int height) {
  const size_t sof = jpeg.find("\xFF\xC0");
  EXPECT_NE(sof, std::string::npos);
  jpeg[sof + 5] = static_cast<char>(height >> 8);
  jpeg[sof + 6] = static_cast<char>(height & 255);
  jpeg[sof + 7] = static_cast<char>(width >> 8);
  jpeg[sof + 8] = static_cast<char>(width & 255);
  return jpeg;
}

TEST(JpegDecoder, ChoosesTheSmallestSufficientScale) {
  const JpegSize full{6000, 4500};
  EXPECT_EQ(JpegDecoder::ChooseScaleDenominator(full, 0, 0), 8);
  EXPECT_EQ(JpegDecoder::ChooseScaleDenominator(full, 750, 563), 8);
  EXPECT_EQ(JpegDecoder::ChooseScaleDenominator(full, 996, 747), 4);
  EXPECT_EQ(JpegDecoder::ChooseScaleDenominator(full, 1600, 1000), 2);
  EXPECT_EQ(JpegDecoder::ChooseScaleDenominator(full, 3001, 10), 1);
  EXPECT_EQ(JpegDecoder::ChooseScaleDenominator({63, 47}, 8, 6), 8);  // rounded up: 8 × 6
}

TEST(JpegDecoder, DecodesNoMorePixelsThanAskedFor) {
  const std::string jpeg = MakeJpeg(JpegSpec{.width = 64, .height = 48});
  JpegDecoder decoder;
  EXPECT_EQ(decoder.ReadSize(jpeg, "mem.jpg").width, 64);
  struct Case { int minWidth, minHeight, denominator, width, height; } cases[] = {
      {8, 6, 8, 8, 6}, {9, 6, 4, 16, 12}, {32, 24, 2, 32, 24}, {33, 1, 1, 64, 48}, {500, 500, 1, 64, 48}};
  for (const Case& c : cases) {
    const DecodedPicture picture = decoder.Decode(jpeg, c.minWidth, c.minHeight, "mem.jpg");
    EXPECT_EQ(picture.scaleDenominator, c.denominator);
    EXPECT_EQ(picture.image.width, c.width);
    EXPECT_EQ(picture.image.height, c.height);
    EXPECT_EQ(picture.image.pixels.size(), size_t(c.width) * c.height * 3);
    EXPECT_EQ(picture.fullSize.width, 64);
    EXPECT_EQ(picture.fullSize.height, 48);
  }
}

TEST(JpegDecoder, ReadsCameraPhotosFromFile) {
  test::TempDir dir;
  test::WriteBytes(dir / "phone.jpg", test::CameraPhoto(3264, 2448));
  test::WriteBytes(dir / "camera.jpg", test::CameraPhoto(2048, 1536));
  JpegDecoder decoder;
  const JpegSize size = decoder.ReadSize(dir / "phone.jpg");
  EXPECT_EQ(size.width, 3264);
  EXPECT_EQ(size.height, 2448);
  const DecodedPicture picture = decoder.Decode(dir / "camera.jpg", 500, 300);
  EXPECT_EQ(picture.scaleDenominator, 4);
  EXPECT_EQ(picture.image.width, 512);
  EXPECT_EQ(picture.image.height, 384);
}

// A file is read in pieces: its pixels are those of the same bytes decoded
// in memory, with segments skipped across pieces and with a truncated scan;
// an empty file is an error naming it.
TEST(JpegDecoder, AFileDecodesAsItsBytesDo) {
  test::TempDir dir;
  const std::string jpeg = test::InsertAfterSoi(MakeJpeg(JpegSpec{.width = 400, .height = 300}),
                                                {test::Segment(0xFE, std::string(60000, 'a')),
                                                 test::Segment(0xFE, std::string(60000, 'b'))});
  const size_t picture = test::PictureData(jpeg).size();
  JpegDecoder decoder;
  for (const std::string& bytes : {jpeg, jpeg.substr(0, jpeg.size() - picture / 2)}) {
    test::WriteBytes(dir / "p.jpg", bytes);
    const RgbImage fromFile = decoder.Decode(dir / "p.jpg", 400, 300).image;
    EXPECT_EQ(fromFile.height, 300);
    EXPECT_EQ(fromFile.pixels, decoder.Decode(bytes, 400, 300, "p.jpg").image.pixels) << bytes.size() << " bytes";
  }
  test::WriteBytes(dir / "empty.jpg", "");
  try {
    decoder.Decode(dir / "empty.jpg", 1, 1);
    FAIL() << "no error for an empty file";
  } catch (const FileError& error) {
    EXPECT_EQ(error.path(), dir / "empty.jpg");
  }
}

TEST(JpegDecoder, RefusesFramesAboveThePixelLimit) {
  JpegDecoder decoder;
  // A header that claims 60000 × 60000 pixels is refused before any pixel memory is taken.
  const std::string huge = WithFrameSize(MakeJpeg(), 60000, 60000);
  try {
    decoder.Decode(huge, 100, 100, "huge.jpg");
    FAIL() << "no error";
  } catch (const FileError& error) {
    EXPECT_EQ(error.path(), "huge.jpg");
    EXPECT_NE(error.reason().find("limit"), std::string::npos);
  }
  EXPECT_EQ(decoder.PixelLimit(), 400'000'000u);
  decoder.SetPixelLimit(64 * 48 - 1);
  EXPECT_THROW(decoder.ReadSize(MakeJpeg(JpegSpec{.width = 64, .height = 48}), "x.jpg"), FileError);
  decoder.SetPixelLimit(64 * 48);
  EXPECT_NO_THROW(decoder.ReadSize(MakeJpeg(JpegSpec{.width = 64, .height = 48}), "x.jpg"));
}

TEST(JpegDecoder, BadInputGivesFileErrorsNamingTheFile) {
  JpegDecoder decoder;
  for (const std::string& bytes : {std::string(), std::string("not a picture at all"), MakeJpeg().substr(0, 20)}) {
    try {
      decoder.Decode(bytes, 10, 10, "bad.jpg");
      FAIL() << "no error for " << bytes.size() << " bytes";
    } catch (const FileError& error) {
      EXPECT_EQ(error.path(), "bad.jpg");
      EXPECT_FALSE(error.reason().empty());
    }
  }
  EXPECT_THROW(decoder.Decode(std::filesystem::path("/nonexistent/x.jpg"), 1, 1), FileError);
  EXPECT_THROW(decoder.ReadSize(std::filesystem::path("/nonexistent/x.jpg")), FileError);
  test::TempDir folder;
  try {
    decoder.ReadSize(folder.path());
    FAIL() << "no error for a folder";
  } catch (const FileError& error) {
    EXPECT_EQ(error.reason(), "is a folder");
  }
}

// A progressive file whose last scan is repeated `copies` more times.
std::string WithRepeatedScan(int copies) {
  const std::string jpeg = MakeJpeg(JpegSpec{.width = 64, .height = 48, .progressive = true});
  const size_t lastScan = jpeg.rfind("\xFF\xDA");
  const std::string scan = jpeg.substr(lastScan, jpeg.size() - 2 - lastScan);
  std::string result = jpeg.substr(0, jpeg.size() - 2);
  for (int i = 0; i < copies; ++i) result += scan;
  return result + "\xFF\xD9";
}

TEST(JpegDecoder, RefusesEndlessScans) {
  JpegDecoder decoder;
  EXPECT_NO_THROW(decoder.Decode(WithRepeatedScan(20), 64, 48, "few.jpg"));
  try {
    decoder.Decode(WithRepeatedScan(600), 64, 48, "many.jpg");
    FAIL() << "no error";
  } catch (const FileError& error) {
    EXPECT_NE(error.reason().find("scans"), std::string::npos) << error.reason();
  }
}

TEST(JpegDecoder, SurvivesDamagedAndHostileFiles) {
  PIXALDO_NEEDS_SAMPLES();
  JpegDecoder decoder;
  int decoded = 0;
  for (const char* folder : {"damaged", "hostile"}) {
    for (const auto& entry : std::filesystem::directory_iterator(TestData(folder))) {
      try {
        const DecodedPicture picture = decoder.Decode(entry.path(), 64, 64);
        EXPECT_EQ(picture.image.pixels.size(), picture.image.Stride() * picture.image.height);
        ++decoded;
      } catch (const FileError& error) {
        EXPECT_EQ(error.path(), entry.path());
      }
    }
  }
  EXPECT_GT(decoded, 0);
}

// Grey and CMYK pictures come out as RGB with the right colours.
TEST(JpegDecoder, ConvertsGreyAndCmykToRgb) {
  if (!test::HaveProgram("convert")) GTEST_SKIP() << "ImageMagick is missing";
  test::TempDir dir;
  struct Case { const char* name; const char* colourSpace; const char* colour; int r, g, b; } cases[] = {
      {"grey.jpg", "Gray", "xc:rgb(128,128,128)", 128, 128, 128},
      {"cmyk.jpg", "CMYK", "xc:rgb(200,40,40)", 200, 40, 40},
  };
  for (const Case& c : cases) {
    std::vector<std::string> argv = {"convert", "-size", "32x16", c.colour, "-colorspace", c.colourSpace};
    argv.push_back((dir / c.name).string());
    ASSERT_EQ(test::Run(argv).exitCode, 0);
    const DecodedPicture picture = JpegDecoder().Decode(dir / c.name, 32, 16);
    const uint8_t* px = picture.image.Row(8) + 16 * 3;
    EXPECT_NEAR(px[0], c.r, 8) << c.name;
    EXPECT_NEAR(px[1], c.g, 8) << c.name;
    EXPECT_NEAR(px[2], c.b, 8) << c.name;
  }
}

}  // namespace
}  // namespace pixaldo
