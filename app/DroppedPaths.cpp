#include "app/DroppedPaths.h"

#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <filesystem>

#include "platform/gui/UserMessages.h"

namespace pixaldo {

bool TDroppedPaths::Accepts(const QString& path) {
  const QString name = QFileInfo(path).fileName();
  const int dot = name.lastIndexOf(QLatin1Char('.'));
  std::error_code error;
  if (dot < 0) return std::filesystem::is_directory(QStringToPath(path), error);
  const QString extension = name.mid(dot).toUpper();
  return extension == QLatin1String(".JPG") || extension == QLatin1String(".JPEG");
}

QString TDroppedPaths::FirstLocalPath(const QMimeData& data) {
  const QList<QUrl> urls = data.urls();
  if (urls.isEmpty() || !urls.first().isLocalFile()) return {};
  // The URL's bytes, not its text: a file name that is no UTF-8 stays whole.
  const QByteArray bytes = QByteArray::fromPercentEncoding(urls.first().path(QUrl::FullyEncoded).toLatin1());
  return PathToQString(bytes.toStdString());
}

}  // namespace pixaldo
