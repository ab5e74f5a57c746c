#include "exif/ExifFormat.h"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <stdexcept>

#include "platform/LocaleFormats.h"

namespace pixaldo {
namespace {

constexpr size_t kMaxShownValues = 8;
constexpr size_t kPrintableLength = 50;
constexpr char kFieldSeparator = ',';

constexpr std::array<int, 13> kBytesPerFormat{0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// A whole decimal number of 32 bits with an optional sign, blanks around it
// allowed; nothing when the text is anything else.
std::optional<int32_t> ParseInteger(std::string_view text) {
  text = Trim(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  int32_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

uint32_t BytesToUnsigned(std::string_view bytes, bool bigEndian) {
  uint32_t value = 0;
  for (size_t i = 0; i < bytes.size(); ++i) {
    auto b = static_cast<uint8_t>(bigEndian ? bytes[i] : bytes[bytes.size() - 1 - i]);
    value = (value << 8) | b;
  }
  return value;
}

// One integer value of its type: unsigned types as unsigned, signed bytes and
// 16-bit values sign-extended when all their bytes are there.
int64_t IntegerValue(std::string_view bytes, int type, bool bigEndian) {
  uint32_t bits = BytesToUnsigned(bytes, bigEndian);
  size_t size = size_t(BytesPerFormat(type));
  if (bytes.size() < size) return bits;
  switch (type) {
    case 6: return static_cast<int8_t>(bits);
    case 8: return static_cast<int16_t>(bits);
    case 9: return static_cast<int32_t>(bits);
    default: return bits;
  }
}

struct Rational {
  int64_t numerator = 0;
  int64_t denominator = 0;
};

// The first rational of the bytes; unsigned for type 5, signed for type 10.
Rational RationalValue(std::string_view bytes, int type, bool bigEndian) {
  std::string_view num = bytes.substr(0, 4);
  std::string_view den = bytes.size() > 4 ? bytes.substr(4, 4) : std::string_view();
  if (type == 10) return {BytesToInt(num, bigEndian), BytesToInt(den, bigEndian)};
  return {BytesToUnsigned(num, bigEndian), BytesToUnsigned(den, bigEndian)};
}

double FloatValue(std::string_view bytes, int type, bool bigEndian) {
  if (type == 11) {
    if (bytes.size() < 4) return 0;
    return std::bit_cast<float>(BytesToUnsigned(bytes.substr(0, 4), bigEndian));
  }
  if (bytes.size() < 8) return 0;
  uint64_t high = BytesToUnsigned(bytes.substr(bigEndian ? 0 : 4, 4), bigEndian);
  uint64_t low = BytesToUnsigned(bytes.substr(bigEndian ? 4 : 0, 4), bigEndian);
  return std::bit_cast<double>(high << 32 | low);
}

bool IsInteger(int type) {
  return type == 1 || type == 3 || type == 4 || type == 6 || type == 8 || type == 9;
}

// A value text at the format template: "%s" takes the text itself, any other
// template the entry's number.
std::string ApplyFormat(std::string_view format, const std::string& text, std::string_view raw,
                        int type, bool bigEndian) {
  size_t at = format.find("%s");
  if (at != std::string_view::npos)
    return std::string(format.substr(0, at)) + text + std::string(format.substr(at + 2));
  return FormatFloat(std::string(format).c_str(), NumericValue(raw, type, bigEndian));
}

// The text split at the first two ", " into three parts, each as a fraction.
std::array<double, 3> ThreeFractions(std::string_view text) {
  std::array<double, 3> parts{0, 0, 0};
  for (size_t i = 0; i < 3; ++i) {
    size_t at = i < 2 ? text.find(kValueSeparator) : std::string_view::npos;
    parts[i] = ParseFraction(text.substr(0, at));
    if (at == std::string_view::npos) {
      text = {};
    } else {
      text.remove_prefix(at + kValueSeparator.size());
    }
  }
  return parts;
}

}  // namespace

int BytesPerFormat(int type) {
  if (type < 0 || type >= int(kBytesPerFormat.size())) return 0;
  return kBytesPerFormat[size_t(type)];
}

int32_t BytesToInt(std::string_view bytes, bool bigEndian) {
  return static_cast<int32_t>(BytesToUnsigned(bytes, bigEndian));
}

std::string FormatValue(std::string_view raw, int type, std::string_view codes,
                        std::string_view format, bool bigEndian) {
  const size_t size = size_t(BytesPerFormat(type));
  if (size == 0) return "0";
  const size_t count = std::min(raw.size() / size, kMaxShownValues);
  std::string text;
  for (size_t i = 0; i < count; ++i) {
    if (!text.empty()) text += kValueSeparator;
    std::string_view value = raw.substr(i * size, size);
    if (type == 5 || type == 10) {
      Rational r = RationalValue(value, type, bigEndian);
      text += std::to_string(r.numerator) + "/" + std::to_string(r.denominator);
      if (!codes.empty()) text += DecodeCode(codes, text);
    } else if (type == 11 || type == 12) {
      text += "-9999.99";
    } else if (IsInteger(type)) {
      std::string number = std::to_string(IntegerValue(value, type, bigEndian));
      text += codes.empty() ? number : DecodeCode(codes, number);
    } else {
      text += "?";
    }
  }
  if (format.empty()) return text;
  return ApplyFormat(format, text, raw, type, bigEndian);
}

double NumericValue(std::string_view raw, int type, bool bigEndian) {
  double value = 0;
  if (IsInteger(type)) {
    value = double(IntegerValue(raw.substr(0, size_t(BytesPerFormat(type))), type, bigEndian));
  } else if (type == 5 || type == 10) {
    Rational r = RationalValue(raw, type, bigEndian);
    value = r.denominator == 0 ? 0 : double(r.numerator) / double(r.denominator);
  } else if (type == 11 || type == 12) {
    value = FloatValue(raw, type, bigEndian);
  }
  return std::isfinite(value) ? value : 0;
}

std::string DecodeCode(std::string_view codes, std::string_view value) {
  std::string key = "," + std::string(Trim(value)) + ":";
  std::string list = "," + std::string(codes) + ",";
  size_t at = list.find(key);
  if (at == std::string::npos) return {};
  size_t start = at + key.size();
  size_t end = list.find(kFieldSeparator, start);
  return list.substr(start, end - start);
}

std::string MakePrintable(std::string_view text) {
  std::string out(text.substr(0, kPrintableLength));
  for (char& c : out)
    if (static_cast<unsigned char>(c) < 32) c = '.';
  return out;
}

double ParseFraction(std::string_view text) {
  text = Trim(text);
  int64_t whole = 0;
  size_t blank = text.find(' ');
  if (blank != std::string_view::npos) {
    auto w = ParseInteger(text.substr(0, blank));
    if (!w) return 0;
    whole = *w;
    text.remove_prefix(blank + 1);
  }
  size_t slash = text.find('/');
  if (slash == std::string_view::npos) return 0;
  auto n = ParseInteger(text.substr(0, slash));
  auto d = ParseInteger(text.substr(slash + 1));
  if (!n || !d || *d == 0) return 0;
  return double(whole * *d + *n) / double(*d);
}

std::string DisplayText(const TTagEntry& row, std::string_view raw, int type, bool bigEndian) {
  std::string text;
  if (type == 2) {
    // The terminating zero is dropped; some cameras leave it out, and their
    // last letter is kept.
    const bool terminated = !raw.empty() && raw.back() == '\0';
    text = std::string(raw.substr(0, terminated ? raw.size() - 1 : raw.size()));
  } else if (type == 7) {
    text = "\"" + std::string(raw.substr(0, raw.find('\0'))) + "\"";
  } else {
    text = FormatValue(raw, type, row.Codes, row.FormatText, bigEndian);
  }
  if (row.Dataset != 0 && row.Formatter) return row.Formatter(text);
  return MakePrintable(text);
}

std::string FormatFlash(const std::string& text) {
  auto parsed = ParseInteger(text);
  if (!parsed) throw std::runtime_error("'" + text + "' is not a valid integer value");
  const int32_t flash = *parsed;
  std::string out = (flash & 1) ? "On" : "Off";
  switch (flash & 6) {
    case 2: out += ", UNKNOWN"; break;
    case 4: out += ", no strobe return"; break;
    case 6: out += ", strobe return"; break;
  }
  switch (flash & 24) {
    case 8: out += ", forced"; break;
    case 16: out += ", surpressed"; break;
    case 24: out += ", auto mode"; break;
  }
  if (flash & 32) out += ", no flash function";
  if (flash & 64) out += ", red-eye reduction";
  return out;
}

std::string FormatShutterSpeed(const std::string& text) {
  const double apex = ParseFraction(text);
  const double seconds = std::pow(2.0, -apex);
  std::string out = FormatFloat("%4.4f sec", seconds);
  if (seconds <= 0.5) {
    // 1/seconds is 2^apex; "%.0f" of a whole number needs no conversion to int.
    out += " (1/" + FormatFloat("%.0f", std::nearbyint(std::pow(2.0, apex))) + ")";
  }
  return out;
}

std::string FormatComponentsConfiguration(const std::string& text) {
  static constexpr std::array<std::string_view, 7> kComponents{"", "Y", "Cb", "Cr", "R", "G", "B"};
  std::string out;
  for (size_t i = 1; i <= 4 && i < text.size(); ++i) {
    auto code = static_cast<unsigned char>(text[i]);
    if (code < kComponents.size()) out += kComponents[code];
  }
  return out;
}

std::string FormatUcs2Text(const std::string& text) {
  // Fields 1, 3, 5, ... hold the low bytes of little-endian 16-bit characters;
  // the field after the last comma is never looked at.
  std::string out;
  std::string_view rest = text;
  for (size_t field = 1;; ++field) {
    size_t comma = rest.find(kFieldSeparator);
    if (comma == std::string_view::npos) break;
    if (field % 2 == 1) {
      auto code = ParseInteger(rest.substr(0, comma));
      if (code && (*code & 0xFF) != 0) out += char(*code & 0xFF);
    }
    rest.remove_prefix(comma + 1);
  }
  return out;
}

std::string FormatGpsCoordinate(const std::string& text) {
  auto [degrees, minutes, seconds] = ThreeFractions(text);
  if (seconds == 0) {
    double whole = std::trunc(minutes);
    seconds = (minutes - whole) * 60;
    minutes = whole;
  }
  return FormatFloat("%0.0f", degrees) + " Degrees " + FormatFloat("%0.0f", minutes) +
         " Minutes " + FormatFloat("%0.0f", seconds) + " Seconds";
}

std::string FormatGpsTime(const std::string& text) {
  auto [hours, minutes, seconds] = ThreeFractions(text);
  return FormatFloat("%0.0f", hours) + ":" + FormatFloat("%0.0f", minutes) + ":" +
         FormatFloat("%0.0f", seconds);
}

std::string FormatUserComment(const std::string& text) { return text; }

}  // namespace pixaldo
