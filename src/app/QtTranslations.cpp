#include "app/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace kelvan::app {
namespace {

// Qt's Russian catalogue keeps the OK button in Latin letters; a Russian interface reads "ОК"
// in Cyrillic, so this one text is supplied on top of the catalogue.
class CyrillicOkTranslator : public QTranslator {
  public:
    using QTranslator::QTranslator;

    QString translate(const char* context, const char* sourceText, const char*,
                      int) const override {
        if (qstrcmp(context, "QPlatformTheme") == 0 && qstrcmp(sourceText, "OK") == 0) {
            return QStringLiteral("ОК");
        }
        return {};
    }
    bool isEmpty() const override { return false; }
};

}  // namespace

bool installQtTranslations(QCoreApplication& application) {
    // Sizes, dates and file types in the file list follow the interface's language, whatever
    // the system's locale says.
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    // Both are owned by the application, so they live as long as the texts they supply.
    auto* catalogue = new QTranslator(&application);
    if (!catalogue->load(QStringLiteral("qtbase_ru"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(catalogue)) {
        delete catalogue;
        return false;
    }
    // Installed last, so it is asked first.
    return QCoreApplication::installTranslator(new CyrillicOkTranslator(&application));
}

}  // namespace kelvan::app
