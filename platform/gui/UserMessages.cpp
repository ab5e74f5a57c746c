#include "platform/gui/UserMessages.h"

#include <QApplication>

#include "platform/Cp1250.h"

namespace pixaldo {
namespace {

MessageHandler& Handler() {
  static MessageHandler handler;
  return handler;
}

int& OpenMessages() {
  static int count = 0;
  return count;
}

// Counts a message box as open for as long as it lives.
class OpenMessage {
 public:
  OpenMessage() { ++OpenMessages(); }
  ~OpenMessage() { --OpenMessages(); }
  OpenMessage(const OpenMessage&) = delete;
  OpenMessage& operator=(const OpenMessage&) = delete;
};

constexpr char16_t kEscapedByte = 0xDC00;
constexpr char16_t kReplacement = 0xFFFD;

bool IsEscapedByte(const QString& text, qsizetype i) {
  const char16_t unit = text[i].unicode();
  return unit >= 0xDC80 && unit <= 0xDCFF && (i == 0 || !text[i - 1].isHighSurrogate());
}

// The length of the valid UTF-8 sequence at bytes[i], or 0.
std::size_t Utf8SequenceLength(const std::string& bytes, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
  const unsigned char lead = byte(i);
  if (lead < 0x80) return 1;
  std::size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3 : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
  if (length == 0 || i + length > bytes.size()) return 0;
  for (std::size_t k = 1; k < length; ++k)
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
  const unsigned char second = byte(i + 1);
  // No overlong forms, no surrogates, nothing above U+10FFFF.
  if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) || (lead == 0xF0 && second < 0x90) ||
      (lead == 0xF4 && second > 0x8F))
    return 0;
  return length;
}

}  // namespace

bool InsideModalDialog() { return OpenMessages() > 0 || QApplication::activeModalWidget() != nullptr; }

void SetMessageHandler(MessageHandler handler) { Handler() = std::move(handler); }

QMessageBox::StandardButton ShowMessage(QWidget* parent, const UserMessage& message) {
  const OpenMessage open;
  if (Handler()) return Handler()(message);
  QMessageBox box(message.icon, message.title, message.text, message.buttons, parent);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

void ShowFileError(QWidget* parent, const std::filesystem::path& file, const QString& reason) {
  ShowMessage(parent, {QMessageBox::Critical, QStringLiteral("Pixaldo"),
                       PathToDisplay(PathToQString(file)) + QStringLiteral("\n\n") + reason, QMessageBox::Ok});
}

void ShowFileError(QWidget* parent, const FileError& error) {
  // The reason comes from the core, which keeps bytes of file contents in
  // Windows-1250 but writes its own reasons in plain ASCII or UTF-8.
  ShowFileError(parent, error.path(), QString::fromUtf8(error.reason()));
}

bool AskYesNo(QWidget* parent, const QString& text) {
  return ShowMessage(parent, {QMessageBox::Question, QStringLiteral("Pixaldo"), text,
                              QMessageBox::Yes | QMessageBox::No}) == QMessageBox::Yes;
}

QString FromCp1250(const std::string& bytes) { return QString::fromStdString(Cp1250ToUtf8(bytes)); }

std::optional<std::string> ToCp1250(const QString& text) { return Utf8ToCp1250Strict(text.toStdString()); }

QString PathToQString(const std::filesystem::path& path) {
  const std::string& bytes = path.native();
  QString text;
  text.reserve(qsizetype(bytes.size()));
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t length = Utf8SequenceLength(bytes, i);
    if (length == 0) {
      text += QChar(char16_t(kEscapedByte + static_cast<unsigned char>(bytes[i])));
      ++i;
    } else {
      text += QString::fromUtf8(bytes.data() + i, qsizetype(length));
      i += length;
    }
  }
  return text;
}

std::filesystem::path QStringToPath(const QString& text) {
  std::string bytes;
  qsizetype start = 0;
  for (qsizetype i = 0; i <= text.size(); ++i) {
    if (i < text.size() && !IsEscapedByte(text, i)) continue;
    bytes += QStringView(text).mid(start, i - start).toUtf8().toStdString();
    if (i < text.size()) bytes += char(text[i].unicode() - kEscapedByte);
    start = i + 1;
  }
  return std::filesystem::path(bytes);
}

QString PathToDisplay(const QString& path) {
  QString shown = path;
  for (qsizetype i = 0; i < shown.size(); ++i)
    if (IsEscapedByte(path, i)) shown[i] = QChar(kReplacement);
  return shown;
}

}  // namespace pixaldo
