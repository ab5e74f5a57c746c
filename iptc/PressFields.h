#pragma once
// The press fields: the IPTC datasets a press photographer fills for every
// picture, each kept in step with an XMP property (xmp/ knows which), as data.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace pixaldo {

enum PressField : size_t { ByLine, Credit, Copyright, Headline, City, Country, Instructions, Source };
inline constexpr size_t kPressFieldCount = 8;

struct PressFieldRow {
  PressField Field;
  std::string_view Key;     // the name in listings and JSON
  std::string_view Option;  // the command-line option, without "--"
  std::string_view Label;   // the label in the metadata window
  uint8_t Dataset;          // in record 2
};

inline constexpr std::array<PressFieldRow, kPressFieldCount> kPressFields = {{
    {ByLine, "ByLine", "by-line", "By-line", 80},
    {Credit, "Credit", "credit", "Credit", 110},
    {Copyright, "Copyright", "copyright", "Copyright notice", 116},
    {Headline, "Headline", "headline", "Headline", 105},
    {City, "City", "city", "City", 90},
    {Country, "Country", "country", "Country", 101},
    {Instructions, "Instructions", "instructions", "Special instructions", 40},
    {Source, "Source", "source", "Source", 115},
}};

// Keywords: IPTC 2:25, one dataset each.
inline constexpr uint8_t kKeywordsDataset = 25;

}  // namespace pixaldo
