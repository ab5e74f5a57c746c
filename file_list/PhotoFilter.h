#pragma once
// The rules of the filter box above the file list: which photos a typed
// filter lets through, by their keywords and star rating.
//
// The text is split at commas into terms. A term of stars ("★★★", "★3",
// "3★", "*3", "3*", "***") asks for at least that many stars; any other term
// asks for a keyword: the photo must have a keyword that begins with the
// term, or a word inside a keyword that does ("york" finds "New York"),
// without regard to letter case (Czech and other letters included). Every
// term must hold. Blanks around terms and empty terms count for nothing, so
// an empty filter lets every photo through.
#include <string>
#include <string_view>
#include <vector>

namespace pixaldo {

// What the filter looks at of one photo.
struct PhotoTags {
  std::vector<std::string> Keywords;  // UTF-8
  int Rating = 0;                     // 0-5
  bool operator==(const PhotoTags&) const = default;
};

class PhotoFilter {
 public:
  PhotoFilter() = default;
  explicit PhotoFilter(std::string_view text);

  // Whether the filter lets every photo through (nothing to read for it).
  bool Empty() const { return MinStars == 0 && Words.empty(); }
  bool Matches(const PhotoTags& photo) const;

  // The fewest stars asked for (0: any), and the keyword beginnings, folded
  // to lower case.
  int MinStars = 0;
  std::vector<std::string> Words;

  // UTF-8 text in lower case (letters beyond ASCII too, where the system
  // knows them); bytes that are no UTF-8 stay as they are.
  static std::string Folded(std::string_view text);
};

}  // namespace pixaldo
