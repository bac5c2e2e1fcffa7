#include "app/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace kelvan::app {
namespace {

// Texts that Qt's Russian catalogue keeps in Latin letters or lacks for this Qt: the OK button
// (a Russian interface reads "ОК" in Cyrillic) and the file types that the file list and the
// save dialog show.
struct Supplement {
    const char* context;
    const char* source;
    const char16_t* russian;
};
constexpr Supplement Supplements[] = {
    {"QPlatformTheme", "OK", u"ОК"},
    {"QAbstractFileIconProvider", "Folder", u"Папка"},
    {"QAbstractFileIconProvider", "File Folder", u"Папка с файлами"},
    {"QAbstractFileIconProvider", "Drive", u"Диск"},
    {"QAbstractFileIconProvider", "Shortcut", u"Ярлык"},
    {"QAbstractFileIconProvider", "Alias", u"Псевдоним"},
    {"QAbstractFileIconProvider", "Unknown", u"Неизвестно"},
};

class SupplementTranslator : public QTranslator {
  public:
    using QTranslator::QTranslator;

    QString translate(const char* context, const char* sourceText, const char*,
                      int) const override {
        for (const Supplement& supplement : Supplements) {
            if (qstrcmp(context, supplement.context) == 0 &&
                qstrcmp(sourceText, supplement.source) == 0) {
                return QString::fromUtf16(supplement.russian);
            }
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
    return QCoreApplication::installTranslator(new SupplementTranslator(&application));
}

}  // namespace kelvan::app
