#include "app/IptcEdits.h"

#include "platform/gui/UserMessages.h"

namespace pixaldo {
namespace {

// The caption field shows line breaks as "\n"; the file keeps them as CR LF.
QString CaptionFromStored(QString text) { return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }
QString CaptionToStored(QString text) { return text.replace(QStringLiteral("\n"), QStringLiteral("\r\n")); }

std::array<std::string TMyIptcTags::*, 3> kStoredFields{&TMyIptcTags::Category, &TMyIptcTags::ObjectName,
                                                        &TMyIptcTags::ImageCaption};

}  // namespace

TIptcEdits::TIptcEdits() : TIptcEdits(&ToCp1250, &FromCp1250) {}

TIptcEdits::TIptcEdits(Encoder encode, Decoder decode) : encode_(std::move(encode)), decode_(std::move(decode)) {}

IptcTexts TIptcEdits::Load(const TMyIptcTags& stored) {
  for (int field = 0; field < 3; ++field) loaded_[field] = decode_(stored.*kStoredFields[field]);
  loaded_[kIptcCaption] = CaptionFromStored(loaded_[kIptcCaption]);
  refused_.reset();
  return loaded_;
}

TIptcEdits::Outcome TIptcEdits::Prepare(const IptcTexts& shown) const {
  Outcome outcome;
  if (!Edited(shown)) return outcome;
  if (shown[0].isEmpty() && shown[1].isEmpty() && shown[2].isEmpty()) return outcome;
  for (int field = 0; field < 3; ++field) {
    const QString text = field == kIptcCaption ? CaptionToStored(shown[field]) : shown[field];
    const std::optional<std::string> bytes = encode_(text);
    if (!bytes) {
      outcome.What = Outcome::Unstorable;
      outcome.Field = field;
      return outcome;
    }
    outcome.Fields.*kStoredFields[field] = *bytes;
  }
  outcome.What = Outcome::Write;
  return outcome;
}

bool TIptcEdits::FirstRefusal(const IptcTexts& shown) {
  if (refused_ == shown) return false;
  refused_ = shown;
  return true;
}

}  // namespace pixaldo
