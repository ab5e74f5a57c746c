#pragma once
// The XMP packet of a photo (the APP1 segment whose payload starts with the
// XMP identifier): the three texts the photo record edits, read from it and
// written into it while every other property, namespace and the packet's
// layout stay as they are.
#include <optional>
#include <string>
#include <string_view>

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

class XmpPacket {
 public:
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
