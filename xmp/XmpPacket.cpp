#include "xmp/XmpPacket.h"

#include <exempi/xmp.h>

#include <dlfcn.h>

#include <algorithm>
#include <array>
#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/StandardError.h"

namespace pixaldo {
namespace {

constexpr const char* kDefaultLanguage = "x-default";
constexpr const char* kDublinCore = "http://purl.org/dc/elements/1.1/";
constexpr const char* kPhotoshop = "http://ns.adobe.com/photoshop/1.0/";
constexpr const char* kXmpBasic = "http://ns.adobe.com/xap/1.0/";

// Exempi (with its XML and zlib libraries) is opened on the first packet
// read or written, not at start-up: most commands never touch XMP.
class Exempi {
 public:
  // Throws when the library cannot be loaded or set up.
  static const Exempi& Get() {
    static const Exempi library;
    if (!library.error_.empty()) throw std::runtime_error("cannot load the XMP library: " + library.error_);
    return library;
  }

  decltype(&xmp_init) init = nullptr;
  decltype(&xmp_new) newPacket = nullptr;
  decltype(&xmp_free) freePacket = nullptr;
  decltype(&xmp_string_new) stringNew = nullptr;
  decltype(&xmp_string_free) stringFree = nullptr;
  decltype(&xmp_string_cstr) stringCstr = nullptr;
  decltype(&xmp_string_len) stringLen = nullptr;
  decltype(&xmp_get_localized_text) getLocalizedText = nullptr;
  decltype(&xmp_get_array_item) getArrayItem = nullptr;
  decltype(&xmp_get_property) getProperty = nullptr;
  decltype(&xmp_delete_property) deleteProperty = nullptr;
  decltype(&xmp_set_localized_text) setLocalizedText = nullptr;
  decltype(&xmp_set_property) setProperty = nullptr;
  decltype(&xmp_serialize) serialize = nullptr;
  decltype(&xmp_has_property) hasProperty = nullptr;
  decltype(&xmp_iterator_new) iteratorNew = nullptr;
  decltype(&xmp_iterator_next) iteratorNext = nullptr;
  decltype(&xmp_iterator_free) iteratorFree = nullptr;
  decltype(&xmp_append_array_item) appendArrayItem = nullptr;

 private:
  static constexpr const char* kName = PIXALDO_EXEMPI_LIBRARY;

  Exempi() {
    void* handle = ::dlopen(kName, RTLD_LAZY | RTLD_LOCAL);
    if (!handle) {
      const char* reason = ::dlerror();
      error_ = std::string(kName) + ": " + (reason ? reason : "not found");
      return;
    }
    const bool found = FindAll(handle, init, "xmp_init", newPacket, "xmp_new", freePacket, "xmp_free",
                               stringNew, "xmp_string_new", stringFree, "xmp_string_free",
                               stringCstr, "xmp_string_cstr", stringLen, "xmp_string_len",
                               getLocalizedText, "xmp_get_localized_text", getArrayItem, "xmp_get_array_item",
                               getProperty, "xmp_get_property", deleteProperty, "xmp_delete_property",
                               setLocalizedText, "xmp_set_localized_text", setProperty, "xmp_set_property",
                               serialize, "xmp_serialize", hasProperty, "xmp_has_property",
                               iteratorNew, "xmp_iterator_new", iteratorNext, "xmp_iterator_next",
                               iteratorFree, "xmp_iterator_free", appendArrayItem, "xmp_append_array_item");
    if (!found)
      error_ = std::string(kName) + ": missing functions";
    else if (!init())
      error_ = std::string(kName) + ": cannot be set up";
    // Left loaded either way: the process ends with it.
  }

  // Looks up each function by its name (pairs of function, name).
  static bool FindAll(void*) { return true; }
  template <typename Function, typename... Rest>
  static bool FindAll(void* handle, Function& function, const char* name, Rest&&... rest) {
    function = reinterpret_cast<Function>(::dlsym(handle, name));
    return function && FindAll(handle, std::forward<Rest>(rest)...);
  }

  std::string error_;
};

struct PacketDeleter {
  void operator()(void* xmp) const { Exempi::Get().freePacket(static_cast<XmpPtr>(xmp)); }
};
using PacketHandle = std::unique_ptr<std::remove_pointer_t<XmpPtr>, PacketDeleter>;

class XmpText {
 public:
  XmpText() : text_(Exempi::Get().stringNew()) {}
  ~XmpText() { Exempi::Get().stringFree(text_); }
  XmpText(const XmpText&) = delete;
  XmpText& operator=(const XmpText&) = delete;
  XmpStringPtr get() const { return text_; }
  std::string str() const { return std::string(Exempi::Get().stringCstr(text_), Exempi::Get().stringLen(text_)); }

 private:
  XmpStringPtr text_;
};

PacketHandle Parse(std::string_view packet) {
  if (packet.empty()) return nullptr;
  return PacketHandle(Exempi::Get().newPacket(packet.data(), packet.size()));
}

// The packet to be edited; null with the reason in `error` when it cannot be read.
PacketHandle ParseToEdit(std::string_view packet, std::string& error) {
  PacketHandle xmp = Parse(packet);
  if (!xmp) error = "its XMP packet cannot be read";
  return xmp;
}

// One alternative-language property (dc:title, dc:description).
struct LangAlt {
  const char* Name;
  std::string XmpTexts::*Member;
};
constexpr LangAlt kLangAlts[] = {{"title", &XmpTexts::Title}, {"description", &XmpTexts::Description}};
constexpr const char* kCategory = "Category";

std::string DefaultText(XmpPtr xmp, const char* name) {
  XmpText language, value;
  if (!Exempi::Get().getLocalizedText(xmp, kDublinCore, name, nullptr, kDefaultLanguage, language.get(), value.get(), nullptr))
    return {};
  return value.str();
}

// Removes the property when its form (simple, or the array form given by
// `form`) is not the one it is about to be given.
void DropOtherForm(XmpPtr xmp, const char* schema, const char* name, uint32_t form) {
  XmpText value;
  uint32_t options = 0;
  if (!Exempi::Get().getProperty(xmp, schema, name, value.get(), &options)) return;
  const uint32_t has = options & XMP_PROP_COMPOSITE_MASK;
  if (form == 0 ? has != 0 : (has & form) != form) Exempi::Get().deleteProperty(xmp, schema, name);
}

struct LangEntry {
  std::string Language, Text;
};

std::string ItemPath(const char* name, size_t index, const char* below = "") {
  return std::string(name) + "[" + std::to_string(index) + "]" + below;
}

// The entries of a language array in order (the first is index 1).
std::vector<LangEntry> LangEntries(XmpPtr xmp, const char* name) {
  std::vector<LangEntry> entries;
  for (size_t index = 1;; ++index) {
    XmpText text, language;
    if (!Exempi::Get().getArrayItem(xmp, kDublinCore, name, int32_t(index), text.get(), nullptr)) break;
    Exempi::Get().getProperty(xmp, kDublinCore, ItemPath(name, index, "/?xml:lang").c_str(), language.get(), nullptr);
    entries.push_back({language.str(), text.str()});
  }
  return entries;
}

// The other-language entries that only repeat the default text, as indexes
// from the last to the first. The library keeps a lone other-language entry
// equal to the default when it reads or writes a packet, so when exactly one
// entry with a text of its own would remain, one copy stays (and takes the
// new text with the default) to keep that entry's text.
std::vector<size_t> CopiesOfDefault(const std::vector<LangEntry>& entries) {
  auto isDefault = [](const LangEntry& entry) { return entry.Language == kDefaultLanguage; };
  auto defaultEntry = std::find_if(entries.begin(), entries.end(), isDefault);
  if (defaultEntry == entries.end()) return {};
  std::vector<size_t> copies;
  size_t ownTexts = 0;
  for (size_t index = entries.size(); index >= 1; --index) {
    const LangEntry& entry = entries[index - 1];
    if (isDefault(entry)) continue;
    if (entry.Text == defaultEntry->Text)
      copies.push_back(index);
    else
      ++ownTexts;
  }
  if (ownTexts == 1 && !copies.empty()) copies.pop_back();
  return copies;
}

// Sets the default entry and removes the other-language entries that were
// copies of the old default text (left alone they would keep showing it);
// every other entry stays. An empty text removes the property.
bool SetLangAlt(XmpPtr xmp, const char* name, const std::string& text) {
  if (text.empty()) {
    Exempi::Get().deleteProperty(xmp, kDublinCore, name);
    return true;
  }
  DropOtherForm(xmp, kDublinCore, name, XMP_PROP_ARRAY_IS_ALTTEXT);
  for (size_t index : CopiesOfDefault(LangEntries(xmp, name)))
    Exempi::Get().deleteProperty(xmp, kDublinCore, ItemPath(name, index).c_str());
  return Exempi::Get().setLocalizedText(xmp, kDublinCore, name, nullptr, kDefaultLanguage, text.c_str(), 0);
}

bool SetSimple(XmpPtr xmp, const char* schema, const char* name, const std::string& text) {
  if (text.empty()) {
    Exempi::Get().deleteProperty(xmp, schema, name);
    return true;
  }
  DropOtherForm(xmp, schema, name, 0);
  return Exempi::Get().setProperty(xmp, schema, name, text.c_str(), 0);
}

// Whether some rdf:Description element of the packet carries properties as
// attributes (the compact form), which the rewritten packet then keeps.
bool UsesAttributeForm(std::string_view packet) {
  static constexpr std::string_view kDescription = "<rdf:Description";
  for (size_t at = packet.find(kDescription); at != std::string_view::npos;
       at = packet.find(kDescription, at + 1)) {
    const size_t from = at + kDescription.size();
    const size_t end = packet.find('>', from);
    std::string_view tag = packet.substr(from, end == std::string_view::npos ? end : end - from);
    for (size_t eq = tag.find('='); eq != std::string_view::npos; eq = tag.find('=', eq + 1)) {
      size_t start = tag.find_last_of(" \t\r\n", eq);
      std::string_view attribute = tag.substr(start + 1, eq - start - 1);
      while (!attribute.empty() && (attribute.back() == ' ' || attribute.back() == '\t')) attribute.remove_suffix(1);
      bool structural = attribute.starts_with("xmlns") || attribute.starts_with("rdf:");
      if (!structural && attribute.find(':') != std::string_view::npos) return true;
    }
  }
  return false;
}

// The forms a kept-in-step property takes.
enum class Form { Simple, LangAlt, Seq, Bag };

struct FieldProperty {
  const char* Schema;
  const char* Name;
  Form Shape;
};
constexpr FieldProperty kKeywords{kDublinCore, "subject", Form::Bag};
constexpr FieldProperty kRating{kXmpBasic, "Rating", Form::Simple};
// The press fields' twins, in the order of PressField.
constexpr std::array<FieldProperty, kPressFieldCount> kPressProperties = {{
    {kDublinCore, "creator", Form::Seq},
    {kPhotoshop, "Credit", Form::Simple},
    {kDublinCore, "rights", Form::LangAlt},
    {kPhotoshop, "Headline", Form::Simple},
    {kPhotoshop, "City", Form::Simple},
    {kPhotoshop, "Country", Form::Simple},
    {kPhotoshop, "Instructions", Form::Simple},
    {kPhotoshop, "Source", Form::Simple},
}};

// The items of a property: those of an array of any kind, or its one text.
std::vector<std::string> Items(XmpPtr xmp, const FieldProperty& property) {
  const Exempi& library = Exempi::Get();
  XmpText value;
  uint32_t options = 0;
  if (!library.getProperty(xmp, property.Schema, property.Name, value.get(), &options)) return {};
  if ((options & XMP_PROP_COMPOSITE_MASK) == 0) return value.str().empty() ? std::vector<std::string>{} : std::vector{value.str()};
  if (!XMP_IS_PROP_ARRAY(options)) return {};  // a structure holds no text of its own
  if (XMP_IS_ARRAY_ALTTEXT(options)) {
    std::string text = DefaultText(xmp, property.Name);
    return text.empty() ? std::vector<std::string>{} : std::vector{text};
  }
  std::vector<std::string> items;
  for (int32_t index = 1;; ++index) {
    XmpText item;
    uint32_t itemOptions = 0;
    if (!library.getArrayItem(xmp, property.Schema, property.Name, index, item.get(), &itemOptions)) break;
    if ((itemOptions & XMP_PROP_COMPOSITE_MASK) == 0) items.push_back(item.str());
  }
  return items;
}

// The property made anew with `items` (none removes it).
bool SetItems(XmpPtr xmp, const FieldProperty& property, const std::vector<std::string>& items) {
  const Exempi& library = Exempi::Get();
  if (property.Shape == Form::LangAlt) return SetLangAlt(xmp, property.Name, items.empty() ? std::string() : items.front());
  if (property.Shape == Form::Simple) return SetSimple(xmp, property.Schema, property.Name, items.empty() ? std::string() : items.front());
  library.deleteProperty(xmp, property.Schema, property.Name);
  const uint32_t form = property.Shape == Form::Seq ? XMP_PROP_ARRAY_IS_ORDERED : XMP_PROP_VALUE_IS_ARRAY;
  for (const std::string& item : items)
    if (!library.appendArrayItem(xmp, property.Schema, property.Name, form, item.c_str(), 0)) return false;
  return true;
}

std::string PropertyName(const FieldProperty& property) {
  return std::string(property.Schema == kDublinCore ? "dc:" : property.Schema == kXmpBasic ? "xmp:" : "photoshop:") +
         property.Name;
}

}  // namespace

std::string_view XmpPacketOf(std::string_view segmentBytes) {
  return segmentBytes.substr(std::min(segmentBytes.size(), 2 + kXmpIdentifier.size()));
}

bool IsXmpSegment(std::string_view segmentBytes) {
  return segmentBytes.size() >= 2 + kXmpIdentifier.size() && segmentBytes.substr(2, kXmpIdentifier.size()) == kXmpIdentifier;
}

namespace {

// Whether the packet's text names any of the given properties at all. An
// XML name cannot be written any other way, so a packet that does not holds
// none of them, and the library is neither loaded nor asked (most cameras'
// packets carry only their own properties). A packet in UTF-16 or UTF-32
// (zero bytes between the letters) is always left to the library.
template <typename Names>
bool MayName(std::string_view packet, const Names& names) {
  if (packet.find('\0') != std::string_view::npos) return true;
  return std::any_of(std::begin(names), std::end(names),
                     [packet](std::string_view name) { return packet.find(name) != std::string_view::npos; });
}

bool MayHoldTexts(std::string_view packet) {
  std::array<std::string_view, std::size(kLangAlts) + 1> names{kCategory};
  for (size_t i = 0; i < std::size(kLangAlts); ++i) names[1 + i] = kLangAlts[i].Name;
  return MayName(packet, names);
}

bool MayHoldFields(std::string_view packet) {
  std::array<std::string_view, 2 + kPressFieldCount> names{kKeywords.Name, kRating.Name};
  for (size_t i = 0; i < kPressFieldCount; ++i) names[2 + i] = kPressProperties[i].Name;
  return MayName(packet, names);
}

}  // namespace

namespace {
std::optional<std::string> Serialized(XmpPtr xmp, std::string_view packet, size_t maxBytes, std::string& error);
bool CopyMissingProperties(XmpPtr from, XmpPtr to);
}  // namespace

XmpTexts XmpPacket::ReadTexts(std::string_view packet) {
  XmpTexts texts;
  if (!MayHoldTexts(packet)) return texts;
  const QuietStandardError quiet;
  PacketHandle xmp = Parse(packet);
  if (!xmp) return texts;
  for (const LangAlt& property : kLangAlts) texts.*property.Member = DefaultText(xmp.get(), property.Name);
  XmpText category;
  if (Exempi::Get().getProperty(xmp.get(), kPhotoshop, kCategory, category.get(), nullptr))
    texts.Category = category.str();
  return texts;
}

std::optional<std::string> XmpPacket::WithTexts(std::string_view packet, const XmpTexts& texts, size_t maxBytes,
                                                std::string& error) {
  const QuietStandardError quiet;
  PacketHandle xmp = ParseToEdit(packet, error);
  if (!xmp) return std::nullopt;
  for (const LangAlt& property : kLangAlts)
    if (!SetLangAlt(xmp.get(), property.Name, texts.*property.Member)) {
      error = std::string("its XMP property dc:") + property.Name + " cannot be set";
      return std::nullopt;
    }
  if (!SetSimple(xmp.get(), kPhotoshop, kCategory, texts.Category)) {
    error = "its XMP property photoshop:Category cannot be set";
    return std::nullopt;
  }
  return Serialized(xmp.get(), packet, maxBytes, error);
}

std::optional<std::string> XmpPacket::WithPropertiesOf(std::string_view packet, std::string_view other,
                                                       size_t maxBytes, std::string& error) {
  const QuietStandardError quiet;
  PacketHandle xmp = Parse(packet);
  PacketHandle from = Parse(other);
  if (!xmp || !from) {
    error = "an XMP packet cannot be read";
    return std::nullopt;
  }
  if (!CopyMissingProperties(from.get(), xmp.get())) {
    error = "a property of the further XMP packet cannot be carried over";
    return std::nullopt;
  }
  return Serialized(xmp.get(), packet, maxBytes, error);
}

std::string XmpPacket::EmptyPacket() {
  return "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
         "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
         " <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
         "  <rdf:Description rdf:about=\"\"/>\n"
         " </rdf:RDF>\n"
         "</x:xmpmeta>\n"
         "<?xpacket end=\"w\"?>";
}

XmpFields XmpPacket::ReadFields(std::string_view packet) {
  XmpFields fields;
  if (!MayHoldFields(packet)) return fields;
  const QuietStandardError quiet;
  PacketHandle xmp = Parse(packet);
  if (!xmp) return fields;
  fields.Keywords = Items(xmp.get(), kKeywords);
  const std::vector<std::string> rating = Items(xmp.get(), kRating);
  if (!rating.empty()) fields.Rating = rating.front();
  for (size_t i = 0; i < kPressFieldCount; ++i) {
    const std::vector<std::string> items = Items(xmp.get(), kPressProperties[i]);
    std::string& text = fields.Press[i];
    for (const std::string& item : items) text += (text.empty() ? "" : "; ") + item;
  }
  return fields;
}

std::optional<std::string> XmpPacket::WithFields(std::string_view packet, const XmpFieldEdits& edits, size_t maxBytes,
                                                 std::string& error) {
  const QuietStandardError quiet;
  PacketHandle xmp = ParseToEdit(packet, error);
  if (!xmp) return std::nullopt;
  auto set = [&](const FieldProperty& property, const std::vector<std::string>& items) {
    if (SetItems(xmp.get(), property, items)) return true;
    error = "its XMP property " + PropertyName(property) + " cannot be set";
    return false;
  };
  if (edits.Keywords && !set(kKeywords, *edits.Keywords)) return std::nullopt;
  if (edits.Rating && !set(kRating, *edits.Rating > 0 ? std::vector{std::to_string(*edits.Rating)}
                                                      : std::vector<std::string>{}))
    return std::nullopt;
  for (size_t i = 0; i < kPressFieldCount; ++i) {
    const std::optional<std::string>& text = edits.Press[i];
    if (text && !set(kPressProperties[i], text->empty() ? std::vector<std::string>{} : std::vector{*text}))
      return std::nullopt;
  }
  return Serialized(xmp.get(), packet, maxBytes, error);
}

namespace {

std::optional<std::string> Serialized(XmpPtr xmp, std::string_view packet, size_t maxBytes, std::string& error) {

  uint32_t options = 0;
  if (UsesAttributeForm(packet)) options |= XMP_SERIAL_USECOMPACTFORMAT;
  if (packet.find("<?xpacket") == std::string_view::npos) options |= XMP_SERIAL_OMITPACKETWRAPPER;
  // The usual padding leaves room for later edits in place; when that does
  // not fit, the packet is made exactly as long as the room there is.
  XmpText serialized;
  if (Exempi::Get().serialize(xmp, serialized.get(), options, 0) && serialized.str().size() <= maxBytes)
    return serialized.str();
  if (Exempi::Get().serialize(xmp, serialized.get(), options | XMP_SERIAL_EXACTPACKETLENGTH, uint32_t(maxBytes)) &&
      serialized.str().size() <= maxBytes)
    return serialized.str();
  error = "its XMP packet would grow beyond one JPEG segment (at most " + std::to_string(maxBytes) + " bytes)";
  return std::nullopt;
}

struct IteratorDeleter {
  void operator()(void* iterator) const { Exempi::Get().iteratorFree(static_cast<XmpIteratorPtr>(iterator)); }
};

// Walks every node of `from` in order; a top-level property that `to` lacks
// is set there node by node (arrays and structures first as empty forms,
// then their items, fields and qualifiers by their paths).
bool CopyMissingProperties(XmpPtr from, XmpPtr to) {
  const Exempi& library = Exempi::Get();
  std::unique_ptr<std::remove_pointer_t<XmpIteratorPtr>, IteratorDeleter> iterator(
      library.iteratorNew(from, nullptr, nullptr, XMP_ITER_PROPERTIES));
  if (!iterator) return false;
  XmpText schema, path, value;
  uint32_t options = 0;
  bool copying = false, copied = true;
  while (library.iteratorNext(iterator.get(), schema.get(), path.get(), value.get(), &options)) {
    const std::string at = path.str();
    if (at.empty()) continue;  // the schema's own node
    if (at.find_first_of("/[") == std::string::npos)
      copying = !library.hasProperty(to, schema.str().c_str(), at.c_str());
    if (!copying) continue;
    const bool composite = (options & XMP_PROP_COMPOSITE_MASK) != 0;
    const uint32_t form = options & (XMP_PROP_COMPOSITE_MASK | XMP_PROP_VALUE_IS_URI);
    // The library takes an empty value as none for an array or a structure.
    copied = library.setProperty(to, schema.str().c_str(), at.c_str(), composite ? "" : value.str().c_str(), form) &&
             copied;
  }
  return copied;
}

}  // namespace

}  // namespace pixaldo
