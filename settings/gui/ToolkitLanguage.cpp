#include "settings/gui/ToolkitLanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <memory>

#include "settings/LanguageTexts.h"

namespace pixaldo {

bool UseToolkitLanguage(int index) {
  static QTranslator* installed = nullptr;
  if (installed) {
    QCoreApplication::removeTranslator(installed);
    delete installed;
    installed = nullptr;
  }
  if (index <= 0 || index >= kLanguageCount) return index == 0;
  auto translator = std::make_unique<QTranslator>();
  const QLocale locale(QString::fromLatin1(kLanguageCodes[index].data(), int(kLanguageCodes[index].size())));
  if (!translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    return false;
  installed = translator.release();
  QCoreApplication::installTranslator(installed);
  return true;
}

}  // namespace pixaldo
