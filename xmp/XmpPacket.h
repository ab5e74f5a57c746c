#pragma once
// The XMP packet of a photo (the APP1 segment whose payload starts with the
// XMP identifier): the three texts the photo record edits, read from it and
// written into it while every other property, namespace and the packet's
// layout stay as they are.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "iptc/PressFields.h"

namespace pixaldo {

// The identifier (with its terminating zero) that starts an XMP APP1 payload.
inline constexpr std::string_view kXmpIdentifier{"http://ns.adobe.com/xap/1.0/\0", 29};

// Whether the segment bytes (length field included) hold an XMP packet.
bool IsXmpSegment(std::string_view segmentBytes);
// The packet's XML in such segment bytes.
std::string_view XmpPacketOf(std::string_view segmentBytes);

// The texts, UTF-8: dc:title and dc:description (their default-language
// entries) and photoshop:Category. Empty means the property is absent.
struct XmpTexts {
  std::string Title;
  std::string Description;
  std::string Category;
};

// The keywords, the rating and the press fields' twins as read (UTF-8).
// Empty means absent.
struct XmpFields {
  std::vector<std::string> Keywords;  // dc:subject (a bag, or a list or text of another form)
  std::string Rating;                 // xmp:Rating as stored
  std::array<std::string, kPressFieldCount> Press;
};

// What to change of those: a field left empty stays as it is.
struct XmpFieldEdits {
  std::optional<std::vector<std::string>> Keywords;  // an empty list removes the property
  std::optional<int> Rating;                         // 0 removes the property
  std::array<std::optional<std::string>, kPressFieldCount> Press;  // an empty text removes the property
};

class XmpPacket {
 public:
  // A packet without properties, for a photo that gets its first one.
  static std::string EmptyPacket();

  static XmpFields ReadFields(std::string_view packet);
  // The packet with the edits made (every other property stays); nothing,
  // with the reason in `error`, as for WithTexts.
  static std::optional<std::string> WithFields(std::string_view packet, const XmpFieldEdits& edits, size_t maxBytes,
                                               std::string& error);

  // Reads the texts of a packet (the XML, without the identifier). A packet
  // that cannot be parsed gives empty texts.
  static XmpTexts ReadTexts(std::string_view packet);

  // The packet with the three texts set: an empty text removes its property,
  // a missing property is added; language entries of title and description
  // other than the default one are kept, those that repeated the old default
  // text take the new one. Nothing when the packet cannot be parsed or would be longer than
  // `maxBytes` (`error` then holds the reason).
  // A property that holds another form than the text needs (a list where
  // one text belongs, a single text where the language alternatives do) is
  // replaced by the right form.
  static std::optional<std::string> WithTexts(std::string_view packet, const XmpTexts& texts, size_t maxBytes,
                                              std::string& error);

  // The packet with every property of `other` that it lacks (whole, with its
  // items, fields and qualifiers); nothing when either cannot be parsed, a
  // property cannot be carried over or the result would be longer than
  // `maxBytes`.
  static std::optional<std::string> WithPropertiesOf(std::string_view packet, std::string_view other, size_t maxBytes,
                                                     std::string& error);
};

}  // namespace pixaldo
