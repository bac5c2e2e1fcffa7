#include <QApplication>

#include "app/Application.h"
#include "app/Prompter.h"

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    // The settings live under this organisation and program name.
    QCoreApplication::setOrganizationName(QStringLiteral("NORVELLA"));
    QCoreApplication::setApplicationName(QStringLiteral("KELVAN"));
    // The program ends when the main window has run its closing sequence, whatever other
    // window (a bit dialog, the progress window) is still on screen.
    QApplication::setQuitOnLastWindowClosed(false);

    kelvan::app::MessageBoxPrompter prompter;
    kelvan::app::Application windows(prompter);
    kelvan::app::TForm1& form1 = windows.form1();
    QObject::connect(&form1, &kelvan::app::TForm1::closed, &application, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    form1.showMaximized();
    return QApplication::exec();
}
