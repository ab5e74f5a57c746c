#pragma once
// What the main window takes from a drop: the first local path, as a folder
// or a JPEG file.
#include <QString>

class QMimeData;

namespace pixaldo {

class TDroppedPaths {
 public:
  // A folder (a name without an extension) or a .jpg/.jpeg file in any case.
  static bool Accepts(const QString& path);
  // The first dropped URL's path when it is a local file; empty otherwise.
  static QString FirstLocalPath(const QMimeData& data);
};

}  // namespace pixaldo
