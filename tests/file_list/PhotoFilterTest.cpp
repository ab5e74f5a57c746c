// The filter box's rules: stars terms, keyword beginnings in any letter
// case, several terms together.
#include <gtest/gtest.h>

#include "file_list/PhotoFilter.h"

using namespace pixaldo;

namespace {

const PhotoTags kPrague{{"Praha", "Karlův most", "Čechy"}, 4};
const PhotoTags kNewYork{{"New York", "street"}, 2};
const PhotoTags kBare{{}, 0};

struct Case {
  const char* filter;
  bool prague, newYork, bare;
};

TEST(PhotoFilterTest, LetsThroughWhatATypedFilterAsksFor) {
  const Case cases[] = {
      {"", true, true, true},
      {" , ,", true, true, true},
      // Stars, in each way of writing them.
      {"\xE2\x98\x85" "3", true, false, false},
      {"3\xE2\x98\x85", true, false, false},
      {"\xE2\x98\x85\xE2\x98\x85", true, true, false},
      {"*3", true, false, false},
      {"4*", true, false, false},
      {"***", true, false, false},
      {"2+", true, true, false},
      {"\xE2\x98\x85" "5", false, false, false},
      {"\xE2\x98\x85" "0", true, true, true},
      // Keywords: their beginning, a word inside, any letter case.
      {"pra", true, false, false},
      {"PRAHA", true, false, false},
      {"york", false, true, false},
      {"most", true, false, false},
      {"ost", false, false, false},
      {"\xC4\x8D" "echy", true, false, false},     // "čechy" finds "Čechy"
      {"KARLŮV", true, false, false},
      {"3", false, false, false},                  // a lone digit is a keyword
      // Every term holds.
      {"praha, \xE2\x98\x85" "5", false, false, false},
      {"new, street, **", false, true, false},
      {"praha, street", false, false, false},
  };
  for (const Case& c : cases) {
    const PhotoFilter filter(c.filter);
    EXPECT_EQ(filter.Matches(kPrague), c.prague) << c.filter;
    EXPECT_EQ(filter.Matches(kNewYork), c.newYork) << c.filter;
    EXPECT_EQ(filter.Matches(kBare), c.bare) << c.filter;
  }
}

TEST(PhotoFilterTest, AnEmptyFilterNeedsNoTagsAndBadBytesStay) {
  EXPECT_TRUE(PhotoFilter(" ,  ").Empty());
  EXPECT_FALSE(PhotoFilter("*").Empty());
  EXPECT_EQ(PhotoFilter::Folded("A\xFF" "B\xC4"), "a\xFF" "b\xC4");
  EXPECT_EQ(PhotoFilter::Folded("\xE5\x8C\x97\xE4\xBA\xAC"), "\xE5\x8C\x97\xE4\xBA\xAC");  // 北京
}

}  // namespace
