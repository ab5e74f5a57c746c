// The edges a lossless turn cannot turn: found as jpegtran finds them
// (-perfect refuses exactly then, -trim drops exactly those pixels), named
// as the result is shown, and the command line's warning, --perfect and
// --trim on a 4000×3000 4:2:0 photo against jpegtran itself.
#include <gtest/gtest.h>

#include "photo_view/JpegDecoder.h"
#include "support/TestSupport.h"
#include "transforms/JpegTran.h"
#include "transforms/UnturnedEdges.h"

namespace pixaldo {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::RunCli;
using test::TempDir;
using Words = std::vector<std::string>;
using E = PictureEdge;

constexpr Orientation kTurns[] = {Orientation::MirrorLeftRight, Orientation::Rotate180, Orientation::MirrorTopBottom,
                                  Orientation::Transpose,       Orientation::Rotate90,  Orientation::Transverse,
                                  Orientation::Rotate270};

class UnturnedEdgesRun : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::HaveProgram("jpegtran")) GTEST_SKIP() << "jpegtran is not installed";
  }
  test::CommandResult JpegTran(const fs::path& file, Words switches) {
    Words argv{"jpegtran", "-copy", "all"};
    argv.insert(argv.end(), switches.begin(), switches.end());
    argv.push_back(file.string());
    return test::Run(argv);
  }
  JpegSize SizeOf(const std::string& jpeg) { return JpegDecoder().ReadSize(jpeg, "jpeg"); }
  TempDir dir_;
};

// Every turn of pictures whose sides are and are not multiples of their
// blocks (4:2:0, 4:2:2, 4:4:4): an edge is found exactly when jpegtran
// -perfect refuses, and it is as wide as what -trim drops.
TEST_F(UnturnedEdgesRun, EveryTurnAgreesWithJpegtranPerfectAndTrim) {
  const test::JpegSpec specs[] = {{.width = 72, .height = 40},
                                  {.width = 40, .height = 36, .hSampling = 2, .vSampling = 1},
                                  {.width = 64, .height = 48},
                                  {.width = 44, .height = 28, .hSampling = 1, .vSampling = 1}};
  for (const test::JpegSpec& spec : specs) {
    const fs::path file = dir_ / "made.jpg";
    test::WriteBytes(file, test::MakeJpeg(spec));
    const std::optional<JpegSize> frame = ReadFrameGeometry(file);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->blockWidth, spec.hSampling * 8);
    EXPECT_EQ(frame->blockHeight, spec.vSampling * 8);
    for (Orientation turn : kTurns) {
      SCOPED_TRACE(std::to_string(spec.width) + "x" + std::to_string(spec.height) + " turn " + std::to_string(int(turn)));
      const Words switches = JpegTranSwitches(turn);
      Words perfect = switches;
      perfect.push_back("-perfect");
      Words trim = switches;
      trim.push_back("-trim");
      const std::vector<UnturnedEdge> edges = UnturnedEdges(*frame, turn);
      EXPECT_EQ(edges.empty(), JpegTran(file, perfect).exitCode == 0);
      const JpegSize whole = SizeOf(JpegTran(file, switches).out), trimmed = SizeOf(JpegTran(file, trim).out);
      int right = 0, bottom = 0;
      for (const UnturnedEdge& edge : edges) (edge.edge == E::Right ? right : bottom) = edge.pixels;
      EXPECT_EQ(whole.width - trimmed.width, right);
      EXPECT_EQ(whole.height - trimmed.height, bottom);
    }
  }
}

TEST(UnturnedEdges, NamedAsTheResultIsShown) {
  const std::vector<UnturnedEdge> stored{{E::Right, 8}, {E::Bottom, 4}};
  struct Case {
    Orientation shown;
    E right, bottom;
  };
  for (const Case& c : {Case{Orientation::Upright, E::Right, E::Bottom}, Case{Orientation::Rotate180, E::Left, E::Top},
                        Case{Orientation::Rotate90, E::Bottom, E::Left}, Case{Orientation::Rotate270, E::Top, E::Right},
                        Case{Orientation::Transpose, E::Bottom, E::Right}})
    EXPECT_EQ(ShownEdges(stored, c.shown), (std::vector<UnturnedEdge>{{c.right, 8}, {c.bottom, 4}}));
  EXPECT_EQ(DescribeEdges(stored), "the last 8 pixels of the right edge and the last 4 pixels of the bottom edge");
}

TEST(UnturnedEdges, FrameFoundBehindLargeSegmentsAndNotInDamagedOnes) {
  TempDir dir;
  const std::string big(60000, 'x');
  const std::string jpeg = test::InsertAfterSoi(test::MakeJpeg({.width = 72, .height = 40}),
                                                {test::Segment(0xE2, big), test::Segment(0xE2, big)});
  test::WriteBytes(dir / "big.jpg", jpeg);
  const std::optional<JpegSize> frame = ReadFrameGeometry(dir / "big.jpg");
  ASSERT_TRUE(frame);
  EXPECT_EQ(frame->width, 72);
  EXPECT_EQ(frame->height, 40);
  EXPECT_EQ(frame->blockWidth, FrameGeometryOf(jpeg)->blockWidth);
  for (const std::string& bad : {std::string("\xFF\xD8\xFF\xC0\x00\x05\x08", 7), std::string("GIF89a"),
                                 std::string("\xFF\xD8\xFF\xDA\x00\x02", 6)}) {
    test::WriteBytes(dir / "bad.jpg", bad);
    EXPECT_FALSE(ReadFrameGeometry(dir / "bad.jpg"));
    EXPECT_FALSE(FrameGeometryOf(bad));
  }
}

// A run over several photos lists those left with edges, in order; a
// trimmed plan has none, a missing photo is left to its own run.
TEST(UnturnedEdges, RunOverSeveralPhotosListsThoseWithEdges) {
  TempDir dir;
  test::WriteBytes(dir / "a.jpg", test::MakeJpeg({.width = 72, .height = 40}));
  test::WriteBytes(dir / "b.jpg", test::MakeJpeg({.width = 64, .height = 48}));
  const JpegTranPlan turn = TJpegTran::Plan(TransformKind::RotateRight, Orientation::Upright, true, false);
  const JpegTranPlan trimmed = TJpegTran::Plan(TransformKind::RotateRight, Orientation::Upright, true, true);
  const std::vector<PhotoEdges> found = PhotosWithUnturnedEdges(
      {{dir / "b.jpg", &turn}, {dir / "gone.jpg", &turn}, {dir / "a.jpg", &trimmed}, {dir / "a.jpg", &turn}});
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].file, dir / "a.jpg");
  EXPECT_EQ(found[0].edges, (std::vector<UnturnedEdge>{{E::Right, 8}}));
}

// The phone photo of 4000×3000 pixels in 16-pixel blocks: its height leaves
// 8 rows that a quarter turn to the right cannot move.
TEST_F(UnturnedEdgesRun, CommandLineWarnsRefusesWithPerfectAndTrimsWithTrim) {
  const fs::path source = dir_ / "phone.jpg";
  test::WriteBytes(source, test::MakeJpeg({.width = 4000, .height = 3000, .quality = 50}));
  const std::string original = ReadBytes(source);
  const fs::path file = dir_ / "turned.jpg";

  test::WriteBytes(file, original);
  const test::CommandResult plain = RunCli({"rotate-right", file.string(), "--no-thumbnail"});
  EXPECT_EQ(plain.exitCode, 0) << plain.err;
  EXPECT_EQ(ReadBytes(file), JpegTran(source, {"-rotate", "90"}).out);
  EXPECT_NE(plain.err.find(file.string() + ": the last 8 pixels of the right edge "), std::string::npos) << plain.err;
  EXPECT_NE(plain.err.find("--trim"), std::string::npos) << plain.err;

  test::WriteBytes(file, original);
  const test::CommandResult refused = RunCli({"rotate-right", file.string(), "--perfect"});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_EQ(JpegTran(source, {"-rotate", "90", "-perfect"}).exitCode, 1);
  EXPECT_NE(refused.err.find("the last 8 pixels of the right edge cannot be turned losslessly"), std::string::npos)
      << refused.err;
  EXPECT_EQ(ReadBytes(file), original);

  const test::CommandResult trimmed = RunCli({"rotate-right", file.string(), "--trim", "--perfect", "--no-thumbnail"});
  EXPECT_EQ(trimmed.exitCode, 0) << trimmed.err;
  EXPECT_EQ(trimmed.err, "");
  EXPECT_EQ(ReadBytes(file), JpegTran(source, {"-rotate", "90", "-trim"}).out);

  // The width is a whole number of blocks: a quarter turn to the left is perfect.
  test::WriteBytes(file, original);
  const test::CommandResult left = RunCli({"rotate-left", file.string(), "--perfect", "--no-thumbnail"});
  EXPECT_EQ(left.exitCode, 0) << left.err;
  EXPECT_EQ(left.err, "");
  EXPECT_EQ(ReadBytes(file), JpegTran(source, {"-rotate", "270", "-perfect"}).out);
}

}  // namespace
}  // namespace pixaldo
