#include <QApplication>
#include <QLibraryInfo>

#include "app/Application.h"
#include "app/Prompter.h"
#include "app/QtTranslations.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    // The settings live under this organisation and program name.
    QCoreApplication::setOrganizationName(QStringLiteral("NORVELLA"));
    QCoreApplication::setApplicationName(QStringLiteral("KELVAN"));
    // The program ends when the main window has run its closing sequence, whatever other
    // window (a bit dialog, the progress window) is still on screen.
    QApplication::setQuitOnLastWindowClosed(false);
    // Before any window: the start-up error box already has a standard button.
    if (!kelvan::app::installQtTranslations(application)) {
        // The program works all the same, only Qt's own buttons and dialogs stay in English.
        qWarning("kelvan: qtbase_ru not found in %s; Qt's standard texts stay in English",
                 qUtf8Printable(QLibraryInfo::path(QLibraryInfo::TranslationsPath)));
    }

    kelvan::app::MessageBoxPrompter prompter;
    kelvan::app::Application windows(prompter);
    kelvan::app::TForm1& form1 = windows.form1();
    QObject::connect(&form1, &kelvan::app::TForm1::closed, &application, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    form1.showMaximized();
    return QApplication::exec();
}
